// Cycle-slip detection on real recordings at their own sampling interval and thinned to
// longer ones: untouched, few phases are marked; with jumps inserted into the phases, the
// jumps are found.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "converted_file.h"
#include "core/gnss_time.h"
#include "editing/rinex_obs_file.h"
#include "editing/slip_detection.h"
#include "kestrin/kestrin.h"
#include "support/static_file.h"
#include "support/temp_dir.h"

namespace {

using kestrin::CycleSlip;
using kestrin::RinexObsFile;
using testsupport::ReadFile;
using testsupport::TempDir;

std::string TestData(const std::string& relative) {
    return std::string(TOLLMERE_TEST_DATA) + "/" + relative;
}

// A board recording behind a static header, converted to RINEX 2.10 with loss-of-lock digits;
// the observation file's path (empty on failure).
std::string Converted(const TempDir& dir, const std::string& recording, int year, int month,
                      int day) {
    testsupport::StaticHeaderFields fields;
    fields.year = year;
    fields.month = month;
    fields.day = day;
    const std::string raw = testsupport::WriteStaticFile(dir.path(), "site0010.dat", fields,
                                                         testsupport::ReadTestData(recording));
    TempDir tmp;
    setenv("TMPDIR", tmp.path().c_str(), 1);
    const int32_t option = KESTRIN_OPTION_WORD(KESTRIN_FLAVOUR_RINEX210, KESTRIN_INTERVAL_ALL,
                                               KESTRIN_OPT_SYSTEM_MASK | KESTRIN_OPT_WRITE_LLI);
    const int result = ParseDataToRinexFormat(raw.c_str(), dir.path().c_str(), option, nullptr);
    unsetenv("TMPDIR");
    if (result != 1) return {};
    for (const std::string& entry : dir.Entries())
        if (!entry.empty() && (entry.back() == 'O' || entry.back() == 'o')) return dir.File(entry);
    return {};
}

// Only the epochs at whole multiples of the interval (seconds of the week).
RinexObsFile Thinned(const RinexObsFile& m, double interval) {
    RinexObsFile out = m;
    out.epochs.clear();
    out.lliSpots.clear();
    for (const OBSERVATIONS& e : m.epochs) {
        const double r = std::fmod(e.time.sow + 1e-4, interval);
        if (r < 2e-4) out.epochs.push_back(e);
    }
    return out;
}

bool HasPhase(const SatelliteData& s, size_t b) {
    return s.blocks.size() > b && std::fabs(s.blocks[b].carrierPhase) > 1e-8;
}

long Phases(const RinexObsFile& m) {
    long n = 0;
    for (const OBSERVATIONS& e : m.epochs)
        for (const SatelliteData& s : e.sats) n += HasPhase(s, 0) + HasPhase(s, 1);
    return n;
}

// A place for an inserted jump: satellite (system, number) from epoch index on.
struct Place {
    int32_t sys, prn;
    size_t epoch;
};

// Dual-band places of each GPS/GLONASS/BDS satellite: every `step`-th epoch of the satellite
// that has two epochs with both phases before it and one after it, all one interval apart,
// no receiver loss of lock around it, and no slip found there in the untouched file.
std::vector<Place> Places(const RinexObsFile& m, const std::vector<CycleSlip>& clean,
                          double interval, size_t step) {
    std::set<std::pair<size_t, size_t>> marked;
    for (const CycleSlip& c : clean) marked.insert({c.epoch, c.satellite});
    std::vector<Place> places;
    std::vector<size_t> run(kSatelliteIndexCount, 0);
    std::vector<double> lastT(kSatelliteIndexCount, -1e9);
    for (size_t e = 0; e < m.epochs.size(); ++e) {
        const double t = kestrin::TimeDiff(m.epochs[e].time, m.epochs[0].time);
        for (size_t s = 0; s < m.epochs[e].sats.size(); ++s) {
            const SatelliteData& sat = m.epochs[e].sats[s];
            const int n = SatelliteIndex(sat.sysCode, sat.prn);
            if (n <= 0) continue;
            const bool ok = HasPhase(sat, 0) && HasPhase(sat, 1) && !(sat.blocks[0].lli & 1u) &&
                            !(sat.blocks[1].lli & 1u) &&
                            std::fabs(t - lastT[static_cast<size_t>(n)] - interval) < 1e-3;
            size_t& r = run[static_cast<size_t>(n)];
            r = ok ? r + 1 : 0;
            lastT[static_cast<size_t>(n)] = t;
            if (r >= 3 && r % step == 0 && e + 1 < m.epochs.size() && !marked.count({e, s}))
                places.push_back(Place{sat.sysCode, sat.prn, e});
        }
    }
    return places;
}

struct Detection {
    long places = 0, found = 0, marks = 0, phases = 0;
};

// Inserts the jump (cycles on band 1 and band 2) at each place in turn (one place per
// satellite per run) and counts the places where the jumped bands are reported.
Detection Inserted(const RinexObsFile& m, const std::vector<Place>& places, double j1, double j2) {
    Detection d;
    std::vector<std::vector<Place>> rounds;
    for (const Place& p : places) {
        bool put = false;
        for (auto& round : rounds) {
            bool busy = false;
            for (const Place& q : round) busy |= q.sys == p.sys && q.prn == p.prn;
            if (!busy) {
                round.push_back(p);
                put = true;
                break;
            }
        }
        if (!put) rounds.push_back({p});
    }
    for (const auto& round : rounds) {
        RinexObsFile jumped = m;
        std::vector<std::pair<size_t, size_t>> at;
        for (const Place& p : round) {
            for (size_t e = p.epoch; e < jumped.epochs.size(); ++e) {
                for (size_t s = 0; s < jumped.epochs[e].sats.size(); ++s) {
                    SatelliteData& sat = jumped.epochs[e].sats[s];
                    if (sat.sysCode != p.sys || sat.prn != p.prn) continue;
                    if (e == p.epoch) at.push_back({e, s});
                    if (HasPhase(sat, 0)) sat.blocks[0].carrierPhase += j1;
                    if (HasPhase(sat, 1)) sat.blocks[1].carrierPhase += j2;
                }
            }
        }
        const std::vector<CycleSlip> slips = kestrin::FindCycleSlips(jumped, nullptr);
        std::set<std::tuple<size_t, size_t, int>> found;
        for (const CycleSlip& c : slips) found.insert({c.epoch, c.satellite, c.band});
        for (const auto& [e, s] : at) {
            ++d.places;
            const bool b1 = j1 == 0.0 || found.count({e, s, 0});
            const bool b2 = j2 == 0.0 || found.count({e, s, 1});
            d.found += b1 && b2;
        }
    }
    return d;
}

// Marks where the recording itself shows no slip: the satellite's geometry-free value moves
// by less than a metre from its previous epoch (a receiver that re-acquires a phase jumps by
// thousands of cycles). Single-band marks all count.
long FalseMarks(const RinexObsFile& m, const std::vector<CycleSlip>& slips) {
    const double l1 = 299792458.0 / 1575.42e6, l2 = 299792458.0 / 1227.60e6;
    long wrong = 0;
    for (const CycleSlip& c : slips) {
        const SatelliteData& sat = m.epochs[c.epoch].sats[c.satellite];
        bool genuine = false;
        for (size_t e = c.epoch; e-- > 0 && !genuine;) {
            bool seen = false;
            for (const SatelliteData& s : m.epochs[e].sats) {
                if (s.sysCode != sat.sysCode || s.prn != sat.prn) continue;
                seen = true;
                if (HasPhase(s, 0) && HasPhase(s, 1) && HasPhase(sat, 0) && HasPhase(sat, 1)) {
                    // GPS wavelengths are close enough for GLONASS and BDS at this scale.
                    const double before =
                        l1 * s.blocks[0].carrierPhase - l2 * s.blocks[1].carrierPhase;
                    const double now =
                        l1 * sat.blocks[0].carrierPhase - l2 * sat.blocks[1].carrierPhase;
                    genuine = std::fabs(now - before) > 1.0 + 1e-3 * std::fabs(before);
                }
            }
            if (seen) break;
        }
        wrong += !genuine;
    }
    return wrong;
}

struct RealCase {
    std::string name;
    RinexObsFile model;
    double interval;
};

// What a file must show at an interval: at most maxRate % of its phases marked without a
// jump of its own, and at least minShare % of the single-band jumps and minBoth % of the
// one-cycle jumps on both bands found.
struct Expect {
    double interval, maxRate, minShare, minBoth;
};

void CheckFile(const RinexObsFile& full, const std::string& name, double own,
               const std::vector<Expect>& expectations) {
    for (const Expect& x : expectations) {
        const double interval = x.interval;
        SCOPED_TRACE(name + " at " + std::to_string(interval) + " s");
        const RinexObsFile m = interval == own ? full : Thinned(full, interval);
        ASSERT_GT(m.epochs.size(), 10u);
        const std::vector<CycleSlip> clean = kestrin::FindCycleSlips(m, nullptr);
        const long phases = Phases(m);
        const long wrong = FalseMarks(m, clean);
        const double rate = 100.0 * static_cast<double>(wrong) / static_cast<double>(phases);
        testing::Test::RecordProperty(
            name + "_" + std::to_string(static_cast<int>(interval)) + "s_marked_pct",
            std::to_string(rate));
        std::printf(
            "%-14s %4.0f s: %5zu epochs, %6ld phases, %4zu marked, %ld without a jump "
            "of the geometry-free series (%.2f %%)\n",
            name.c_str(), interval, m.epochs.size(), phases, clean.size(), wrong, rate);
        int byTest[4] = {0, 0, 0, 0};
        for (const CycleSlip& c : clean) ++byTest[static_cast<int>(c.test)];
        std::printf("    by test: gf %d mw %d cmc %d doppler %d\n", byTest[0], byTest[1], byTest[2],
                    byTest[3]);
        EXPECT_LE(rate, x.maxRate);
        const std::vector<Place> places = Places(m, clean, interval, 3);
        ASSERT_GE(places.size(), 10u);
        const struct {
            double j1, j2;
        } jumps[] = {{1, 0}, {0, 1},  {2, 0},  {0, 2}, {5, 0},
                     {0, 5}, {10, 0}, {0, 10}, {1, 1}, {-1, 0}};
        for (const auto& j : jumps) {
            const Detection d = Inserted(m, places, j.j1, j.j2);
            const double share =
                100.0 * static_cast<double>(d.found) / static_cast<double>(d.places);
            std::printf("    jump %+3.0f/%+3.0f cycles: %ld of %ld found (%.1f %%)\n", j.j1, j.j2,
                        d.found, d.places, share);
            EXPECT_GE(share, j.j1 == j.j2 ? x.minBoth : x.minShare)
                << "jump " << j.j1 << "/" << j.j2;
        }
    }
}

RinexObsFile Load(const std::string& path) {
    RinexObsFile m;
    EXPECT_EQ(m.Read(path, nullptr), 1) << path;
    return m;
}

// ---- whole files: only the loss-of-lock digits change -------------------------------------

std::vector<size_t> Differences(const std::string& a, const std::string& b) {
    std::vector<size_t> out;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        if (a[i] != b[i]) out.push_back(i);
    return out;
}

// Adds `cycles` to the 14-column value at `column` of a line of the text.
void AddCycles(std::string& text, size_t lineStart, size_t column, double cycles) {
    const double value = std::strtod(text.substr(lineStart + column, 14).c_str(), nullptr);
    char field[32];
    std::snprintf(field, sizeof field, "%14.3f", value + cycles);
    text.replace(lineStart + column, 14, field);
}

struct Marking {
    std::string input, output;
    std::vector<size_t> marks;
};

Marking Detect(const TempDir& dir, const std::string& name, const std::string& text) {
    Marking r;
    r.input = text;
    const std::string path = dir.Write(name, text);
    EXPECT_EQ(DetectSlp(path.c_str(), nullptr), 1);
    r.output = ReadFile(path);
    EXPECT_EQ(r.output.size(), text.size());
    r.marks = Differences(text, r.output);
    return r;
}

// Every changed character is a loss-of-lock digit that became odd.
void ExpectOnlyDigitsSet(const Marking& r) {
    for (size_t at : r.marks) {
        const char before = r.input[at] == ' ' ? '0' : r.input[at];
        EXPECT_EQ(r.output[at], static_cast<char>('0' + ((before - '0') | 1))) << at;
    }
}

TEST(SlipDetectionReal, InsertedJumpChangesOnlyItsLossOfLockDigits) {
    TempDir dir;
    const std::string original = ReadFile(TestData("rinex/07590920.05o"));
    ASSERT_FALSE(original.empty());
    const Marking clean = Detect(dir, "clean920.05o", original);
    ExpectOnlyDigitsSet(clean);
    EXPECT_LE(clean.marks.size(), 4u);

    // G07 gets 1 more L1 cycle in every epoch from 00:32:00 on.
    std::string slipped = original;
    const size_t from = slipped.find(" 05  4  2  0 32  0.00");
    ASSERT_NE(from, std::string::npos);
    std::vector<size_t> firstSlipLine;
    size_t epochStart = from;
    while (epochStart < slipped.size()) {
        // One satellite per line (four types), no continuation of the satellite list here.
        const size_t lineEnd = slipped.find('\n', epochStart);
        ASSERT_NE(lineEnd, std::string::npos);
        const std::string epochLine = slipped.substr(epochStart, lineEnd - epochStart);
        const int count = std::atoi(epochLine.substr(29, 3).c_str());
        ASSERT_LE(count, 12);
        size_t line = lineEnd + 1;
        for (int k = 0; k < count; ++k) {
            if (epochLine.substr(32 + 3 * static_cast<size_t>(k), 3) == "G 7") {
                if (firstSlipLine.empty()) firstSlipLine.push_back(line);
                AddCycles(slipped, line, 0, 1.0);
            }
            line = slipped.find('\n', line) + 1;
        }
        epochStart = line;
    }
    ASSERT_FALSE(firstSlipLine.empty());
    const Marking marked = Detect(dir, "slip0920.05o", slipped);
    ExpectOnlyDigitsSet(marked);
    // G07's L1 (type 1 of L1 C1 L2 P2) and L2 at 00:32:00 are marked.
    const size_t l1Digit = firstSlipLine[0] + 14, l2Digit = firstSlipLine[0] + 32 + 14;
    EXPECT_EQ(marked.output[l1Digit], '1');
    EXPECT_EQ(marked.output[l2Digit], '5');  // it was 4 (anti-spoofing)
    // Apart from those, the marks are those of the untouched file.
    std::vector<size_t> others;
    for (size_t at : marked.marks)
        if (at != l1Digit && at != l2Digit) others.push_back(at);
    EXPECT_EQ(others, clean.marks);
}

TEST(SlipDetectionReal, ConvertedOneHertzRecordingWithAnInsertedSlip) {
    TempDir dir;
    const editingtest::ConvertedFile c = editingtest::ConvertRealRecording(dir, {}, true);
    ASSERT_FALSE(c.observationPath.empty());
    const std::string original = ReadFile(c.observationPath);
    ASSERT_NE(original.find("G    8 C1C L1C D1C S1C C2W L2W D2W S2W"), std::string::npos);
    // Untouched, the 1 Hz GPS L1/L2 + GLONASS recording gets no mark.
    const Marking clean = Detect(dir, "clean3520.09o", original);
    EXPECT_TRUE(clean.marks.empty());

    // G22's L1C gets 3 more cycles from the tenth epoch on.
    std::string slipped = original;
    std::vector<size_t> epochs;
    for (size_t at = slipped.find("\n>"); at != std::string::npos; at = slipped.find("\n>", at + 1))
        epochs.push_back(at + 1);
    ASSERT_GE(epochs.size(), 15u);
    size_t first = std::string::npos;
    for (size_t at = slipped.find("\nG22", epochs[10]); at != std::string::npos;
         at = slipped.find("\nG22", at + 1)) {
        if (first == std::string::npos) first = at + 1;
        AddCycles(slipped, at + 1, 3 + 16, 3.0);
    }
    ASSERT_NE(first, std::string::npos);
    ASSERT_LT(first, epochs[11]);
    const Marking marked = Detect(dir, "slip3520.09o", slipped);
    ExpectOnlyDigitsSet(marked);
    // L1C and L2W of G22 (types C1C L1C D1C S1C C2W L2W ...).
    EXPECT_EQ(marked.marks, (std::vector<size_t>{first + 3 + 16 + 14, first + 3 + 80 + 14}));

    // Through a symbolic link the target is marked and the link stays a link.
    const std::string target = dir.Write("target3520.09o", slipped);
    const std::string link = dir.File("link3520.09o");
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    ASSERT_EQ(DetectSlp(link.c_str(), nullptr), 1);
    EXPECT_EQ(ReadFile(target), marked.output);
    struct stat st;
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
}

TEST(SlipDetectionReal, GeonetGpsFileAt30Seconds) {
    CheckFile(Load(TestData("rinex/07590920.05o")), "07590920", 30, {{30, 0.5, 95, 85}});
}

TEST(SlipDetectionReal, PdelGpsGlonassFileAt30And60Seconds) {
    CheckFile(Load(TestData("rinex/pdel0010.21o")), "pdel0010", 30,
              {{30, 0.5, 95, 90}, {60, 1.5, 95, 80}});
}

TEST(SlipDetectionReal, Rt17RecordingAt15To60Seconds) {
    TempDir dir;
    const std::string path = Converted(dir, "trimble/rt17c_20140706.rt17", 2014, 7, 6);
    ASSERT_FALSE(path.empty());
    CheckFile(Load(path), "rt17c", 15, {{15, 0.75, 95, 80}, {30, 2, 95, 70}, {60, 4, 90, 50}});
}

TEST(SlipDetectionReal, OneHertzRecordings) {
    TempDir dir;
    const std::string walk = Converted(dir, "ubx/gnss_1730_1hz.ubx", 2025, 8, 28);
    ASSERT_FALSE(walk.empty());
    // A receiver carried on foot: its phases break often.
    CheckFile(Load(walk), "walk_1hz", 1, {{1, 7, 95, 40}});
    TempDir dir2;
    const std::string oem = Converted(dir2, "rtcm3/20221213-010900.rtcm", 2022, 12, 13);
    ASSERT_FALSE(oem.empty());
    CheckFile(Load(oem), "oem729_1hz", 1, {{1, 0.5, 95, 95}});
}

}  // namespace
