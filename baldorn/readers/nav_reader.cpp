#include <cstdio>
#include <memory>
#include <string>

#include "readers/nav_plausibility.h"
#include "readers/progress.h"
#include "readers/regular_file.h"
#include "readers/rinex_reader.h"
#include "readers/text_fields.h"

namespace baldorn {
namespace {

using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;
constexpr int kMixed = -1;

long long FileLength(std::FILE* f) {
    if (fseeko(f, 0, SEEK_END) != 0) return 0;
    const long long len = ftello(f);
    fseeko(f, 0, SEEK_SET);
    return len < 0 ? 0 : len;
}

// The system of a navigation file from its extension; kMixed for a RINEX 3 "rnx" name, -2 when
// the extension names no system.
int SystemFromExtension(const std::string& path) {
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos) return -2;
    std::string ext = path.substr(dot + 1);
    for (char& c : ext)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (ext.find('N') != std::string::npos) return kGps;
    if (ext.find('G') != std::string::npos) return kGlonass;
    if (ext.find('C') != std::string::npos) return kBds;
    if (ext.find('F') != std::string::npos) return kBds;
    if (ext.find('H') != std::string::npos) return kSbas;
    if (ext.find('Q') != std::string::npos) return kQzss;
    if (ext.find('L') != std::string::npos) return kGalileo;
    if (ext.find("RNX") != std::string::npos) return kMixed;
    return -2;
}

void ReadFour(std::string_view l, size_t first, size_t width, double& a, double& b, double& c,
              double& d) {
    a = ParseReal(Columns(l, first, width));
    b = ParseReal(Columns(l, first + width, width));
    c = ParseReal(Columns(l, first + 2 * width, width));
    d = ParseReal(Columns(l, first + 3 * width, width));
}

bool ReadHeader(std::FILE* f, IonoUtcParams& p) {
    std::string line;
    while (ReadLine(f, line)) {
        const std::string_view l = line;
        if (Contains(l, "END OF HEADER") && !Contains(l, "LEAP SECONDS")) return true;
        const char c4 = l.size() >= 4 ? l[3] : ' ';
        if (Contains(l, "IONOSPHERIC CORR") && c4 == 'A') {
            ReadFour(l, 6, 12, p.alpha0, p.alpha1, p.alpha2, p.alpha3);
        } else if (Contains(l, "IONOSPHERIC CORR") && c4 == 'B') {
            ReadFour(l, 6, 12, p.beta0, p.beta1, p.beta2, p.beta3);
        } else if (Contains(l, "TIME SYSTEM CORR")) {
            p.valid = 1;
            p.a0 = ParseReal(Columns(l, 6, 17));
            p.a1 = ParseReal(Columns(l, 23, 16));
            p.utcTime = ParseInt(Columns(l, 39, 7));
            p.utcWeek = ParseInt(Columns(l, 46, 5));
        } else if (Contains(l, "ION ALPHA")) {
            ReadFour(l, 3, 12, p.alpha0, p.alpha1, p.alpha2, p.alpha3);
        } else if (Contains(l, "ION BETA")) {
            ReadFour(l, 3, 12, p.beta0, p.beta1, p.beta2, p.beta3);
        } else if (Contains(l, "DELTA-UTC")) {
            p.valid = 1;
            p.a0 = ParseReal(Columns(l, 4, 19));
            p.a1 = ParseReal(Columns(l, 23, 19));
            p.utcTime = ParseInt(Columns(l, 42, 9));
            p.utcWeek = ParseInt(Columns(l, 51, 9));
        }
    }
    return false;
}

// Reads one record; 0 at end of file (an incomplete last record is dropped).
// From version 3.05 on a GLONASS record carries a fifth line (status flags, group delay, URA,
// health flags); it is read with its record so that it is not taken for the next record.
int ReadRecord(std::FILE* f, double version, int fileSystem, NavFile& nav) {
    const bool rinex3 = version > 2.99;
    std::string line;
    if (!ReadLine(f, line)) return 0;
    int system = fileSystem;
    bool modelled = true;
    std::string text;
    if (rinex3) {
        modelled = ModelledSystemLetter(line.empty() ? ' ' : line[0]);
        system = SystemCodeFromLetter(line.empty() ? ' ' : line[0]);
        text = std::string(Columns(line, 2, 79));
    } else {
        if (system == kMixed) system = kGps;
        text = std::string(Columns(line, 1, 79));
    }
    const bool stateVector = (system == kGlonass || system == kSbas);
    const bool fiveLines = system == kGlonass && rinex3 && version > 3.045;
    const int lines = stateVector ? (fiveLines ? 5 : 4) : 8;
    for (int i = 1; i < lines; ++i) {
        if (!ReadLine(f, line)) return 0;
        // Short lines are padded so that every value keeps its 19-column field.
        std::string part(rinex3 ? Columns(line, 5, 76) : Columns(line, 4, 76));
        part.resize(76, ' ');
        if (i == 1) text.resize(79, ' ');
        text += part;
    }

    int prn = ParseInt(Columns(text, 1, 2));
    // SBAS satellites are numbered like the observation reader numbers them (S20..S58 are
    // PRN 1..39); otherwise no SBAS record could ever match an observed SBAS satellite.
    if (system == kSbas) prn -= 19;
    WeekTime t;
    if (rinex3) {
        t.year = ParseInt(Columns(text, 3, 5));
        t.month = ParseInt(Columns(text, 8, 3));
        t.day = ParseInt(Columns(text, 11, 3));
        t.hour = ParseInt(Columns(text, 14, 3));
        t.minute = ParseInt(Columns(text, 17, 3));
        t.second = ParseInt(Columns(text, 20, 3));
    } else {
        int y = ParseInt(Columns(text, 3, 3));
        y += (y < 81 || y > 99) ? 2000 : 1900;
        t.year = y;
        t.month = ParseInt(Columns(text, 6, 3));
        t.day = ParseInt(Columns(text, 9, 3));
        t.hour = ParseInt(Columns(text, 12, 3));
        t.minute = ParseInt(Columns(text, 15, 3));
        t.second = ParseReal(Columns(text, 18, 5));
    }
    double v[31] = {};
    const std::string_view values = ColumnsFrom(text, 23);
    for (int i = 0; i < 31; ++i) {
        const std::string_view field = Columns(values, 1 + 19 * static_cast<size_t>(i), 19);
        if (field.empty()) break;
        v[i] = ParseReal(field);
    }

    // Records of satellites outside their system's block cannot be matched to any satellite
    // of the observation data and are not kept.
    const bool inBlock = modelled && SatIndexOf(system, prn) != 0;
    if (stateVector) {
        gEphemeris g;
        g.systemCode = system;
        g.prn = prn;
        g.clockBias = v[0];
        g.relFreqBias = v[1];
        g.frameTime = v[2];
        g.x = v[3] * 1000;
        g.vx = v[4] * 1000;
        g.ax = v[5] * 1000;
        g.health = v[6];
        g.y = v[7] * 1000;
        g.vy = v[8] * 1000;
        g.ay = v[9] * 1000;
        if (system == kGlonass)
            g.freqNumber = v[10];
        else
            g.ura = v[10];
        g.z = v[11] * 1000;
        g.vz = v[12] * 1000;
        g.az = v[13] * 1000;
        g.age = v[14];
        g.time = t;
        if (CDefTime::FromCalendarGps(g.time) && system == kGlonass) CDefTime::UtcToGps(g.time);
        if (inBlock && PlausibleStateVector(g)) nav.glonass.push_back(g);
        return 1;
    }
    Ephemeris e;
    e.prn = prn;
    e.systemCode = system;
    double* const firstTwenty[20] = {&e.af0,    &e.af1, &e.af2,   &e.iode,     &e.crs,
                                     &e.deltaN, &e.m0,  &e.cuc,   &e.ecc,      &e.cus,
                                     &e.sqrtA,  &e.toe, &e.cic,   &e.omega0,   &e.cis,
                                     &e.i0,     &e.crc, &e.omega, &e.omegaDot, &e.idot};
    for (int i = 0; i < 20; ++i) *firstTwenty[i] = v[i];
    e.week = v[21];
    e.l2pFlag = v[22];
    e.accuracy = v[23];
    e.health = v[24];
    e.tgd = v[25];
    e.transmissionTime = v[27];
    e.toc = t;
    if (system == kBds) {
        e.codesOnL2 = v[20];
        e.tgd2 = v[26];
        e.iodc = v[28];
        if (CDefTime::FromCalendarBds(e.toc)) CDefTime::BdsToGps(e.toc);
    } else if (system == kGalileo) {
        e.dataSources = v[20];
        e.tgd2 = v[26];
        if (CDefTime::FromCalendarGal(e.toc)) CDefTime::GalToGps(e.toc);
    } else {
        e.codesOnL2 = v[20];
        e.iodc = v[26];
        e.fitInterval = v[28];
        CDefTime::FromCalendarGps(e.toc);
    }
    if (inBlock && PlausibleKepler(e)) nav.kepler.push_back(e);
    return 1;
}

}  // namespace

int RinexReader::ReadNavigationFile(const char* path, NavFile& navFile,
                                    BaldornNotifyTarget* progressWindow) {
    if (!path) return 0;
    FilePtr file(OpenRegularFile(path), &std::fclose);
    if (!file) return 0;
    const long long length = FileLength(file.get());
    std::string line;
    if (!ReadLine(file.get(), line) || !Contains(line, "RINEX VERSION / TYPE")) return 0;
    const double version = ParseReal(Columns(line, 1, 9));
    if (version < 1.99 || version > 4) return 0;
    const int fileSystem = SystemFromExtension(path);
    if (fileSystem == -2) return 0;
    const int ionoIndex = fileSystem == kMixed ? 0 : SystemIndexFromCode(fileSystem);
    if (!ReadHeader(file.get(), navFile.ionoUtc[ionoIndex])) return 0;

    const Progress progress(progressWindow);
    while (ReadRecord(file.get(), version, fileSystem, navFile))
        progress.SendPosition(file.get(), length);
    progress.Send(100);
    return 1;
}

}  // namespace baldorn
