#include "column_text.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

namespace tollmere {

QString HeightText(double metres) {
    return QCoreApplication::translate("tollmere", "%1 m").arg(QString::asprintf("%.3f", metres));
}

QString SizeText(int64_t bytes) {
    if (bytes < 1025)
        return QCoreApplication::translate("tollmere", "%1 B").arg(static_cast<qint64>(bytes));
    const double kib = static_cast<double>(bytes) / 1024.0;
    if (kib > 1024.0)
        return QCoreApplication::translate("tollmere", "%1 MB")
            .arg(QString::asprintf("%.3f", kib / 1024.0));
    return QCoreApplication::translate("tollmere", "%1 KB").arg(QString::asprintf("%.3f", kib));
}

int ClockSeconds(const std::string& text) {
    int h = 0, m = 0, s = 0, used = 0;
    if (std::sscanf(text.c_str(), "%2d:%2d:%2d%n", &h, &m, &s, &used) != 3) return -1;
    if (static_cast<size_t>(used) != text.size()) return -1;
    if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 60) return -1;
    return h * 3600 + m * 60 + s;
}

int DurationSeconds(const std::string& start, const std::string& stop) {
    const int from = ClockSeconds(start), to = ClockSeconds(stop);
    if (from < 0 || to < 0) return -1;
    return to >= from ? to - from : to + 86400 - from;
}

QString DurationText(const std::string& start, const std::string& stop) {
    const int seconds = DurationSeconds(start, stop);
    if (seconds < 0) return {};
    return QString::asprintf("%d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
}

QString DisplayName(const std::string& name) {
    QString shown = QFile::decodeName(QByteArray::fromStdString(name));
    for (QChar& c : shown) {
        if (c == QLatin1Char('\n'))
            c = QChar(0x21B5);  // a return arrow
        else if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = QChar(0xFFFD);
    }
    return shown;
}

}  // namespace tollmere
