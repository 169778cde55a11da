// The navigation record writers of the writer object: duplicate test, system mask, and the
// routing of the record text into the navigation temporary files.
#include "core/raw_converter.h"
#include "rinex/nav_records.h"

namespace kestrin {
namespace {

// Temporary file of each system index (G R C S J E).
constexpr int kNavTempOfSystem[kSystemCount] = {kTempGpsNav,  kTempGlonassNav, kTempBdsNav,
                                                kTempSbasNav, kTempQzssNav,    kTempGalileoNav};

}  // namespace

std::string RawConverter::WriteKeplerNavRecord(const KeplerEphemeris& eph) {
    // A satellite number outside the table (unknown system, PRN 0, PRN beyond the system's
    // range) has no slot for the duplicate test and no place in the files: drop it.
    const int slot = NavSlot(eph.sysCode, eph.prn);
    if (slot < 0) return {};
    const bool inav = eph.sysCode == kSysGalileo && (static_cast<int>(eph.dataSources) & 0x200);
    GnssTime& last = inav ? lastInavEpoch[slot] : lastNavEpoch[slot];
    if (RepeatsNavEpoch(last, eph.toc)) return {};
    last = eph.toc;
    if (!SystemSelected(eph.sysCode, options.systemMask)) return {};
    std::string record = FormatKeplerRecord(eph, options.rinex3 != 0);
    AppendNavText(record, eph.sysCode);
    return record;
}

std::string RawConverter::WriteGlonassNavRecord(const gEphemeris& eph) {
    const int slot = NavSlot(eph.sysCode, eph.prn);
    if (slot < 0) return {};
    if (RepeatsNavEpoch(lastNavEpoch[slot], eph.epoch)) return {};
    lastNavEpoch[slot] = eph.epoch;
    if (!SystemSelected(eph.sysCode, options.systemMask)) return {};
    std::string record = FormatGlonassRecord(eph, options.rinex3 != 0);
    AppendNavText(record, eph.sysCode);
    return record;
}

std::string RawConverter::FormatAlmanacRecord(const AlmanacRecord& alm) const {
    return kestrin::FormatAlmanacRecord(alm, options.rinex3 != 0, options.systemMask);
}

void RawConverter::AppendNavText(const std::string& text, int32_t sysCode) {
    const int index = SystemIndex(sysCode);
    if (index < 0) return;
    // With the mixed navigation file every system's records share the GPS temporary file.
    AppendTempText(options.mixedV302 != 0 ? kTempGpsNav : kNavTempOfSystem[index], text);
}

}  // namespace kestrin
