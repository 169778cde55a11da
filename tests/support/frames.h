// Correctly framed messages of every board format, for detector and decoder tests.
// The payload is given as bytes; the builders add sync, lengths and checksums.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

// OEM binary log with the 28-byte header: message ID, GPS week, milliseconds of week.
std::string OemFrame(uint16_t messageId, std::string_view body, uint16_t week = 0,
                     int32_t msOfWeek = 0);
// Hemisphere "$BIN" block.
std::string HemisphereFrame(uint16_t blockId, std::string_view data);
// "@MULX" message: the 17-byte common header (ID, time of week in ms, week), then body.
std::string MulxFrame(uint16_t messageId, std::string_view body, uint32_t towMs = 0,
                      uint16_t week = 0);
// RT17/RT27 packet of the given type (0x55 navigation data, 0x57 raw data); data <= 255.
std::string Rt17Packet(uint8_t type, std::string_view data, uint8_t status = 0);
// A RAWDATA record split over as many pages as needed (at most pageContent record bytes per
// page; every page starts with record type, page byte, reply number and flags). `content`
// is the record from byte 8 of the reassembled record on. Returns the packets one after
// another; `pages` (when given) receives them one by one.
std::string Rt17RawRecord(uint8_t recordType, uint8_t reply, uint8_t flags, std::string_view content,
                          size_t pageContent = 248, std::vector<std::string>* pages = nullptr);
// RTCM 3 frame around a message (at most 1023 bytes).
std::string Rtcm3Frame(std::string_view message);
// RTCM 3 frame of a message that only carries its 12-bit number, padded to size bytes.
std::string Rtcm3Message(uint16_t number, size_t size = 8);
// One satellite of an RTCM 3 MSM message (fields as transmitted; MSM1-3 ignore roughMs,
// MSM4/6 ignore extended and roughRate).
struct MsmSatellite {
    int id = 1;             // 1..64
    int roughMs = 0;        // integer milliseconds (255 = invalid)
    int extended = 0;       // extended information (GLONASS: frequency number + 7)
    int roughMod = 0;       // milliseconds modulo 1, units of 2^-10 ms
    int64_t roughRate = 0;  // m/s
};
// One cell (satellite x signal) of an MSM message, given in transmission order: satellites
// by ID, within a satellite signals by ID.
struct MsmCell {
    int satId = 1;
    int signalId = 2;
    int64_t fineRange = 0, finePhase = 0;
    int lock = 0, halfCycle = 0, cnr = 0;
    int64_t fineRate = 0;
};
// Body of an MSM message number (10x1..10x7). epochField: the 30-bit epoch time (GPS and
// the like: milliseconds of week; GLONASS: day of week << 27 | milliseconds of day).
std::string Rtcm3MsmMessage(uint16_t number, uint32_t epochField, bool moreFollow,
                            const std::vector<MsmSatellite>& sats,
                            const std::vector<MsmCell>& cells);

// UBX frame of class / ID.
std::string UbxFrame(uint8_t messageClass, uint8_t id, std::string_view payload);
// BINEX record (sync C2 / E2, or D2 / F2 with trailer when reversible).
std::string BinexRecordBytes(uint32_t id, std::string_view message, bool bigEndian = false,
                             bool reversible = false);
// ubnxi encoding of a value (up to 2^29 - 1) in the given byte order.
std::string Ubnxi(uint32_t value, bool bigEndian = false);

}  // namespace testsupport
