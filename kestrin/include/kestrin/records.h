// Plain value records that move between the decoders and the RINEX writers of the
// conversion library, and that ReadRinexFile / WriteRinexFile hand to outside callers.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// System codes: the value of `sysCode` in every record. A system code is not an offset:
// per-satellite tables are indexed by SatelliteIndex (below).
enum : int32_t {
    kSysGps = 0,
    kSysGlonass = 32,
    kSysBds = 56,
    kSysSbas = 76,
    kSysQzss = 100,
    kSysGalileo = 120,
};
constexpr int kSystemCount = 6;    // system indices 0..5, letters "GRCSJE"
constexpr int kSignalSlots = 22;   // observation-code slots per system
constexpr int kGlonassSlots = 28;  // GLONASS slots 1..27 (24 nominal + spares), entry 0 unused
constexpr int32_t kUnknownGlonassChannel = 100;
constexpr const char* kSystemLetters = "GRCSJE";

// Per-satellite table index. Every per-satellite table of the library has kSatelliteIndexCount
// entries (entry 0 unused) and is indexed by SatelliteIndex(sysCode, prn) only, never by
// sysCode + prn (that sum cannot hold BeiDou above C20 or Galileo above E30). The index runs
// through the systems in the order GPS, GLONASS, BDS, SBAS, QZSS, Galileo and, inside a
// system, in the order of `prn`; SatelliteOfIndex turns it back into (sysCode, prn).
// Ranges of `prn` per system: GPS 1..32, GLONASS slots 1..27, BDS 1..63, SBAS 1..39 (PRN
// 120..158, printed S20..S58), QZSS 1..10 (PRN 193..202 are reduced by 192), Galileo 1..36.
// A satellite outside these ranges has no index and is left out of the output.
constexpr int kMaxGpsPrn = 32;
constexpr int kMaxGlonassSlot = 27;
constexpr int kMaxBdsPrn = 63;
constexpr int kMaxSbasPrn = 39;
constexpr int kMaxQzssPrn = 10;
constexpr int kMaxGalileoPrn = 36;
// Size of a table indexed by SatelliteIndex (entry 0 unused).
constexpr int kSatelliteIndexCount =
    1 + kMaxGpsPrn + kMaxGlonassSlot + kMaxBdsPrn + kMaxSbasPrn + kMaxQzssPrn + kMaxGalileoPrn;

// One instant: calendar fields and week / seconds of week. year 0 = unset.
struct GnssTime {
    int32_t year = 0;
    int32_t month = 0;
    int32_t day = 0;
    int32_t hour = 0;
    int32_t minute = 0;
    double second = 0.0;
    int32_t week = 0;
    double sow = 0.0;

    void Init() { *this = GnssTime{}; }
};

// One signal of one satellite in one epoch. 0 means "not observed" for the measurements.
struct BlockData {
    int32_t signalType = 0;     // slot in the system's observation-code table, 0..21
    double pseudorange = 0.0;   // metres
    double carrierPhase = 0.0;  // cycles
    double doppler = 0.0;       // Hz
    double snr = 0.0;           // dB-Hz
    double lockTime = 0.0;      // seconds of continuous tracking
    uint32_t lli = 0;           // bit 0: cycle slip / loss of lock

    void Init() { *this = BlockData{}; }
};

// One satellite in one epoch.
struct SatelliteData {
    int32_t sysCode = 0;
    int32_t prn = 0;  // GLONASS: slot
    int32_t glonassChannel = kUnknownGlonassChannel;
    std::vector<BlockData> blocks;

    void Init() { *this = SatelliteData{}; }
};

// One epoch.
struct OBSERVATIONS {
    GnssTime time;             // GPS time system
    double clockOffset = 0.0;  // seconds
    uint8_t epochFlag = 0;     // 0 normal, 5 external event
    std::vector<SatelliteData> sats;

    void Init() { *this = OBSERVATIONS{}; }
};

// Broadcast ephemeris of GPS, BDS, QZSS and Galileo satellites.
struct KeplerEphemeris {
    GnssTime toc;
    int32_t prn = 0;
    int32_t sysCode = 0;
    double af0 = 0, af1 = 0, af2 = 0, iode = 0, crs = 0, deltaN = 0, m0 = 0, cuc = 0, e = 0,
           cus = 0, sqrtA = 0, toe = 0, cic = 0, omega0 = 0, cis = 0, i0 = 0, crc = 0, omega = 0,
           omegaDot = 0, idot = 0, codesOnL2 = 0, dataSources = 0, week = 0, l2PFlag = 0,
           accuracy = 0, health = 0, tgd = 0, tgd2 = 0, iodc = 0, transmissionTime = 0,
           fitInterval = 4.0;

    void Init() { *this = KeplerEphemeris{}; }
};

// Broadcast ephemeris of GLONASS and SBAS satellites (km, km/s, km/s^2).
struct gEphemeris {
    GnssTime epoch;
    int32_t sysCode = 0;
    int32_t prn = 0;
    double tauN = 0, gammaN = 0, tk = 0;
    double aGf0 = 0, aGf1 = 0, sbasTransmissionTime = 0;
    double x = 0, vx = 0, ax = 0, health = 0;
    double y = 0, vy = 0, ay = 0, frequencyNumber = 0;
    double ura = 0;
    double z = 0, vz = 0, az = 0, ageOrIodn = 0;

    void Init() { *this = gEphemeris{}; }
};

// Ionosphere and UTC parameters of one system. Sets: 0 GPS, 1 BDS, 2 QZSS, 3 Galileo.
struct IonoUtcParams {
    int32_t valid = 0;
    double alpha0 = 0, alpha1 = 0, alpha2 = 0, alpha3 = 0;
    double beta0 = 0, beta1 = 0, beta2 = 0, beta3 = 0;
    int32_t utcWeek = 0;
    int32_t utcTime = 0;
    double a0 = 0, a1 = 0;

    void Init() { *this = IonoUtcParams{}; }
};
constexpr int kIonoSets = 4;

// One event reported by the board.
struct EventMark {
    GnssTime eventTime;  // written in the event record
    GnssTime placeTime;  // places the event among the epochs; year 0 = before the next block
    uint8_t kind = 0;    // 5 = external event, otherwise an RS-232 event
    uint8_t port = 0;
    uint16_t eventNumber = 0;

    void Init() { *this = EventMark{}; }
};

// One site-occupation segment announced by the in-stream site record.
struct AfterTreatment {
    std::string markerName;
    std::string markerNumber;
    int16_t antennaHeightMm = 0;
    std::array<double, 6> position{};  // lat (deg), lon (deg), h (m), X, Y, Z (m)
    int32_t startEpoch = -1;
    int32_t endEpoch = -1;
    uint32_t moving = 0;

    void Init() { *this = AfterTreatment{}; }
};

// Everything the observation header needs.
struct HeaderInfo {
    std::string receiverType;
    std::string receiverNumber;
    uint8_t antennaNumber = 0;
    std::string antennaType;
    double latitude = 0, longitude = 0;  // degrees
    double height = 0;                   // ellipsoidal, metres
    double x = 0, y = 0, z = 0;          // ECEF metres
    double antennaHeight = 0;
    int32_t obsYear = 0, obsMonth = 0, obsDay = 0;
    std::string startTimeText, stopTimeText;
    uint8_t measureMethod = 0;
    uint8_t methodMask = 0;
    double measuredHeight = 0;
    double antennaRadius = 0, antennaEdgeHeight = 0, l1PhaseOffset = 0, l2PhaseOffset = 0;
    double antennaSpare = 0;
    int32_t dataType = 0;
    int32_t stationKind = 0;
    int32_t systemsPresent = 0;
    std::string firmwareVersion;
    std::string markerName;
    int32_t sessionNumber = 1;
    std::array<int16_t, kGlonassSlots> glonassChannels;
    // Per-satellite tables, indexed by SatelliteIndex.
    std::array<uint8_t, kSatelliteIndexCount> satSeen{};
    std::array<std::array<std::string, kSignalSlots>, kSystemCount> obsCodes;
    // [satellite index][slot][pseudorange, phase, doppler, strength]
    std::vector<std::array<std::array<int32_t, 4>, kSignalSlots>> obsCounts =
        std::vector<std::array<std::array<int32_t, 4>, kSignalSlots>>(kSatelliteIndexCount);

    HeaderInfo() { glonassChannels.fill(kUnknownGlonassChannel); }
    void Init() { *this = HeaderInfo{}; }
    void Assign(const HeaderInfo& other) { *this = other; }
    // Stores the default code of (system, slot) when that entry is still empty.
    void SetDefaultObsCode(int systemIndex, int slot);
};

// Maps the six base system codes to 0..5; any other value to -1.
int SystemIndex(int32_t sysCode);
// The per-satellite table index 1..kSatelliteIndexCount-1 of (system code, PRN), or -1 for an
// unknown system code, PRN 0 or a PRN beyond its system's range.
int SatelliteIndex(int32_t sysCode, int32_t prn);
// The system and PRN of a satellite index.
struct SatelliteId {
    int32_t sysCode = -1;  // -1: not a satellite index
    int32_t prn = 0;
};
SatelliteId SatelliteOfIndex(int index);
// Index of the first satellite of that system and PRN, -1 when none.
int FindSatellite(int32_t sysCode, int32_t prn, const std::vector<SatelliteData>& sats);
// Index of the first element equal to key, -1 when none.
int FindInt(int32_t key, const std::vector<int32_t>& array);
