// The messages of BINEX records decoded into the shared records: observation epochs of
// record 0x7F (subrecords 0x00, 0x03, 0x05), broadcast ephemerides of record 0x01
// (subrecords 0x01 to 0x06) and the walk over the site metadata of record 0x00. Every
// reader stays inside the message it is given and reads multi-byte numbers in the record's
// byte order; a message cut short yields what it holds, or nothing.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "decoders/byte_view.h"
#include "decoders/obs_rules.h"
#include "kestrin/records.h"

namespace kestrin {

// BINEX mgfzi: 1 to 8 bytes; the high nibble of the first byte holds the byte count - 1
// (bits 5..7) and the sign (bit 4); the low nibble and the further bytes hold the magnitude,
// offset so that every size continues the range of the one below. Returns the bytes used, 0
// when the value runs past the view.
size_t ReadMgfzi(ByteView v, size_t offset, Endian order, int64_t& value);

// Last slip counter seen per satellite index and slot of subrecord 0x7F-05 (-1: none yet).
using BinexSlipTable = std::vector<std::array<int64_t, kSignalSlots>>;
BinexSlipTable NewBinexSlipTable();

struct BinexObsContext {
    HeaderInfo& info;  // slot usage, systems present, GLONASS channels
    const GlonassSlotTable& glonassSlots;
    BinexSlipTable& slips;
};

// Satellite system code of a BINEX system number (0 GPS, 1 GLONASS, 2 SBAS, 3 Galileo,
// 4 BDS, 5 QZSS); -1 for any other.
int32_t BinexSystemCode(int system);
// PRN of a satellite number of a system as the table index expects it: SBAS 120.. and QZSS
// 193.. reduced to their table numbers.
int32_t BinexPrn(int32_t sysCode, int number);
// Signal slot of a 0x7F-05 observation code of a system; 0 for codes without one.
int BinexCodeSlot(int32_t sysCode, int code);

// Observation subrecords: `message` starts after the subrecord number. The epoch is filled
// with the record's time and the satellites that could be decoded; false when not even the
// time and the satellite count are there, or (0x7F-00) when the epoch must be dropped.
bool DecodeBinexObs05(ByteView message, Endian order, BinexObsContext& ctx, OBSERVATIONS& epoch);
bool DecodeBinexObs03(ByteView message, Endian order, BinexObsContext& ctx, OBSERVATIONS& epoch);
bool DecodeBinexObs00(ByteView message, Endian order, BinexObsContext& ctx, OBSERVATIONS& epoch);

// Navigation subrecords: `message` starts after the subrecord number. False when the message
// is too short or the satellite / time is not usable.
bool DecodeBinexGpsEph(ByteView message, Endian order, KeplerEphemeris& eph);      // 0x01-01
bool DecodeBinexGlonassEph(ByteView message, Endian order, gEphemeris& eph);       // 0x01-02
bool DecodeBinexSbasEph(ByteView message, Endian order, gEphemeris& eph);          // 0x01-03
bool DecodeBinexGalileoEph(ByteView message, Endian order, KeplerEphemeris& eph);  // 0x01-04
bool DecodeBinexBdsEph(ByteView message, Endian order, KeplerEphemeris& eph);      // 0x01-05
bool DecodeBinexQzssEph(ByteView message, Endian order, KeplerEphemeris& eph);     // 0x01-06

// Site metadata (record 0x00): walks the fields after the time tag; true when the walk ends
// exactly at the end of the message. Nothing of it is used.
bool WalkBinexSiteMetadata(ByteView message, Endian order);

}  // namespace kestrin
