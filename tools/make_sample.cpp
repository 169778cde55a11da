// Wraps a raw OEM binary recording in a static header, so that it becomes a raw static file
// that the converter accepts:  make_sample INPUT OUTPUT [POINT-NAME]
// The header's date, start and stop time come from the first and last observation logs
// (GPS time), its position from the first BESTPOS log with a computed solution (ellipsoidal height
// = height above mean sea level + undulation).
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "oem_frames.h"
#include "static_header.h"

namespace {

using namespace tollmere::tools;

constexpr uint16_t kRange = 43, kRangeCmp = 140, kBestPos = 42;

// Calendar date and time of day of a GPS week and milliseconds.
void GpsToCalendar(int week, int32_t ms, int& year, int& month, int& day, std::string& time) {
    const long long totalSeconds = static_cast<long long>(week) * 604800 + ms / 1000;
    long long days = totalSeconds / 86400 + 5;  // the GPS epoch, 1980-01-06, is day 5 of 1980
    const long long secondsOfDay = totalSeconds % 86400;
    // Days since 1980-01-01 to a civil date.
    year = 1980;
    for (;;) {
        const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
        const int length = leap ? 366 : 365;
        if (days < length) break;
        days -= length;
        ++year;
    }
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int monthDays[] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    month = 1;
    while (days >= monthDays[month - 1]) days -= monthDays[month++ - 1];
    day = static_cast<int>(days) + 1;
    char text[16];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", secondsOfDay / 3600,
                  secondsOfDay / 60 % 60, secondsOfDay % 60);
    time = text;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: make_sample INPUT OUTPUT [POINT-NAME]\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    if (!in.eof() && in.fail()) {
        std::fprintf(stderr, "make_sample: cannot read %s\n", argv[1]);
        return 1;
    }

    StaticHeaderFields fields;
    fields.pointName = argc > 3 ? argv[3] : "OEMV-1";
    fields.receiverType = "OEMV";
    bool haveObservations = false, havePosition = false;
    OemFrame frame;
    for (size_t n = 0; NextOemFrame(data, n, frame); n = frame.offset + frame.length) {
        const uint8_t* body = &data[frame.offset + frame.headerLength];
        const size_t bodyLength = frame.length - frame.headerLength - 4;
        if (frame.messageId == kRange || frame.messageId == kRangeCmp) {
            // The header keeps the date of the first epoch (a recording crossing midnight
            // keeps the date of its start).
            int year = 0, month = 0, day = 0;
            std::string time;
            GpsToCalendar(frame.week, frame.milliseconds, year, month, day, time);
            if (!haveObservations) {
                fields.year = year;
                fields.month = month;
                fields.day = day;
                fields.startTime = time;
            }
            fields.stopTime = time;
            haveObservations = true;
        } else if (frame.messageId == kBestPos && !havePosition && bodyLength >= 36 &&
                   ReadLe<uint32_t>(body) == 0) {  // solution computed
            fields.latitudeDeg = ReadLe<double>(body + 8);
            fields.longitudeDeg = ReadLe<double>(body + 16);
            fields.height =
                static_cast<float>(ReadLe<double>(body + 24) + ReadLe<float>(body + 32));
            havePosition = std::isfinite(fields.latitudeDeg) && std::isfinite(fields.longitudeDeg);
        }
    }
    if (!haveObservations) {
        std::fprintf(stderr, "make_sample: %s holds no RANGE or RANGECMP log\n", argv[1]);
        return 1;
    }
    const std::array<uint8_t, 512> header = BuildStaticHeader(fields);
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(header.data()), header.size());
    out.write(reinterpret_cast<const char*>(data.data()),
              static_cast<std::streamsize>(data.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "make_sample: cannot write %s\n", argv[2]);
        return 1;
    }
    std::printf("%s: %04d-%02d-%02d %s-%s, lat %.6f lon %.6f h %.1f\n", argv[2], fields.year,
                fields.month, fields.day, fields.startTime.c_str(), fields.stopTime.c_str(),
                fields.latitudeDeg, fields.longitudeDeg, fields.height);
    return 0;
}
