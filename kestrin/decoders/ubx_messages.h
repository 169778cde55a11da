// UBX message decoders: RXM-RAWX observations and RXM-SFRBX broadcast navigation data of GPS,
// GLONASS, Galileo, BeiDou and QZSS, assembled per satellite into ephemeris records.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "decoders/byte_view.h"
#include "decoders/navwords/bds_d1d2.h"
#include "decoders/navwords/galileo_inav.h"
#include "decoders/sink.h"
#include "kestrin/records.h"

namespace kestrin {

// UBX GNSS identifiers.
enum : int {
    kUbxGps = 0,
    kUbxSbas = 1,
    kUbxGalileo = 2,
    kUbxBeidou = 3,
    kUbxImes = 4,
    kUbxQzss = 5,
    kUbxGlonass = 6,
};

// System code of a GNSS identifier; -1 for IMES, NavIC and unknown identifiers.
int32_t UbxSystemCode(int gnssId);
// PRN (GLONASS: slot) of a satellite identifier within its system: SBAS 120..158 become
// 1..39, QZSS 193..202 become 1..10; 0 when it has no place in the satellite tables.
int32_t UbxPrn(int gnssId, int svId);
// Signal slot of a signal identifier (the code table slot of the matching RINEX 3 code);
// -1 for a signal without a slot. Messages of older receivers carry 0 for every signal and
// land on the first band.
int UbxSignalSlot(int gnssId, int sigId);

struct UbxRawxEpoch {
    OBSERVATIONS epoch;
    int leapSeconds = 0;
    bool leapSecondsValid = false;  // the receiver marks GPS - UTC as known
};

// One RXM-RAWX payload into one epoch: each satellite once, with one block per signal.
// False when the payload cannot hold its header or its measurements, or carries no time.
bool DecodeUbxRawx(ByteView payload, UbxRawxEpoch& out);

// Assembles RXM-SFRBX navigation words per satellite and hands every complete ephemeris to
// the sink. What a message that fails its checks would have changed stays as it was.
class UbxNavAssembler {
  public:
    UbxNavAssembler();
    void Reset();
    void Add(ByteView payload, DecoderSink& sink);

  private:
    struct SatelliteStore {
        std::array<std::array<uint8_t, 30>, 5> lnav{};  // subframes 1..5, 24 bits per word
        std::array<BdsSubframeWords, 5> bds{};          // D1 subframes 1..5
        std::array<BdsSubframeWords, 10> geo{};         // D2 subframe 1, pages 1..10
        std::array<GalileoWord, 7> galileo{};           // I/NAV words 0..6
        uint8_t galileoMask = 0;
        std::array<std::array<uint8_t, 11>, 4> glonass{};  // strings 1..4, 85 bits each
        uint8_t glonassMask = 0;
        uint32_t superframe = 0;
    };

    void AddLnavIonoUtc(int32_t sysCode, ByteView subframe, DecoderSink& sink);
    void AddLnav(int32_t sysCode, int32_t prn, ByteView words, SatelliteStore& store,
                 DecoderSink& sink);
    void AddBds(int32_t prn, ByteView words, SatelliteStore& store, DecoderSink& sink);
    void AddGalileo(int32_t prn, int sigId, ByteView words, SatelliteStore& store,
                    DecoderSink& sink);
    void AddGlonass(int32_t slot, int frequencyNumber, ByteView words, SatelliteStore& store,
                    DecoderSink& sink);
    // The GPS week nearest to the recording: from the last epoch, else the header date.
    int ReferenceWeek(const DecoderSink& sink) const;
    // A GPS time close to the recording that dates GLONASS ephemerides.
    GnssTime ReferenceTime(const DecoderSink& sink) const;

    std::vector<SatelliteStore> stores_;
    GnssTime gpsEphemerisTime_;  // epoch of the first GPS / QZSS record; week 0 = none yet
};

}  // namespace kestrin
