// Builders of Hemisphere "$BIN" block bodies: channel records, code words and the observation
// block layouts, filled from plain values.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// One channel as the observation blocks carry it.
struct HemChannelValues {
    int number = 0;         // satellite number of the code word (0 = empty channel)
    double range = 0;       // m (high part in the code word, low part in the record)
    double phase = 0;       // cycles; only its value modulo 8192 is carried
    double doppler = 0;     // Hz
    uint32_t strength = 0;  // raw 12-bit value
    int slipCounter = 0;
    int warning = 0;  // 3 bits
    bool phaseValid = true;
};

// The 12-byte channel record and the 32-bit code word of a channel.
std::string HemChannelRecord(const HemChannelValues& c);
uint32_t HemCodeWord(const HemChannelValues& c);

// Observation block bodies. Missing channels are left empty.
// 76: L1 channels (up to 15) and, per L1 channel, an L2 record (up to 12; number unused).
std::string HemBlock76(double sow, int week, const std::vector<HemChannelValues>& l1,
                       const std::vector<HemChannelValues>& l2);
// 66: GLONASS L1 and L2 records (up to 12 each; the code word comes from the L1 channel).
std::string HemBlock66(double sow, int week, const std::vector<HemChannelValues>& l1,
                       const std::vector<HemChannelValues>& l2);
// 36: one signal (0 B1, 1 B2, 2 B3) for up to 20 channels.
std::string HemBlock36(double sow, int week, int signal, const std::vector<HemChannelValues>& ch);
// 16: up to 16 channels, each with its channel-info word.
std::string HemBlock16(double sow, int week, const std::vector<HemChannelValues>& ch,
                       const std::vector<uint16_t>& info);
// 96: GPS L1 channels of 24 bytes (PRN, SNR value, cycle-slip counter, phase-valid flag, range
// rate in 1/4096 m/s, pseudorange and carrier phase in metres).
struct Hem96Channel {
    int prn = 0;
    int snr = 0;
    int slipCounter = 0;
    bool phaseValid = true;
    int32_t rangeRate = 0;
    double range = 0;
    double phaseMetres = 0;
};
std::string HemBlock96(double sow, int week, const std::vector<Hem96Channel>& ch);

}  // namespace testsupport
