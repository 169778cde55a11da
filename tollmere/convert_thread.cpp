#include "convert_thread.h"

#include <QCoreApplication>
#include <cstring>

#include "conversion.h"
#include "kestrin/kestrin.h"
#include "library_binding.h"

namespace tollmere {
namespace {

constexpr unsigned int kProgress = KESTRIN_MSG_PROGRESS;
constexpr unsigned int kFailure = KESTRIN_MSG_FAILURE;
constexpr unsigned int kFileWritten = KESTRIN_MSG_FILE_WRITTEN;

bool EndsInO(const std::string& path) {
    return !path.empty() && (path.back() == 'O' || path.back() == 'o');
}

void Notify(void* context, unsigned int message, long wparam, long lparam) {
    static_cast<CConvertThread*>(context)->onLibraryNotification(message, wparam, lparam);
}

}  // namespace

QString FailureReasonText(long code, long error) {
    QString text;
    switch (code) {
        case KESTRIN_FAILURE_INPUT:
            text = QCoreApplication::translate("tollmere", "The file cannot be read.");
            break;
        case KESTRIN_FAILURE_FORMAT:
            text = QCoreApplication::translate(
                "tollmere", "No static header or receiver data that can be converted.");
            break;
        case KESTRIN_FAILURE_NO_OBSERVATIONS:
            text =
                QCoreApplication::translate("tollmere", "No observation epoch could be decoded.");
            break;
        case KESTRIN_FAILURE_TEMPORARY:
            text = QCoreApplication::translate(
                "tollmere", "The temporary folder could not be created or written.");
            break;
        case KESTRIN_FAILURE_OUTPUT:
            text = QCoreApplication::translate("tollmere",
                                               "An output file could not be written completely.");
            break;
        case KESTRIN_FAILURE_MEMORY:
            text = QCoreApplication::translate("tollmere", "Out of memory.");
            break;
        default:
            return {};
    }
    if (error != 0)
        text += QStringLiteral(" (%1)").arg(
            QString::fromLocal8Bit(std::strerror(static_cast<int>(error))));
    return text;
}

void CConvertThread::onLibraryNotification(unsigned int message, long wparam, long lparam) {
    if (message == kProgress) {
        emit progress(static_cast<int>(wparam));
    } else if (message == kFailure) {
        failureCode_ = wparam;
        failureErrno_ = lparam;
    } else if (message == kFileWritten && lparam != 0) {
        written_.emplace_back(reinterpret_cast<const char*>(lparam));
    }
}

bool CConvertThread::convert(QString& reason) {
    ConversionLibrary library;
    const std::string& libraryName = CurrentLibraryNames().conversion;
    if (!library.bind()) {
        reason =
            QCoreApplication::translate("tollmere", "The conversion library %1 was not found: %2")
                .arg(QString::fromStdString(libraryName),
                     QString::fromStdString(library.library.error()));
        return false;
    }
    if (library.ParseDataToRinexFormat == nullptr) {
        reason =
            QCoreApplication::translate("tollmere", "The conversion library %1 has no function %2.")
                .arg(QString::fromStdString(libraryName), QStringLiteral("ParseDataToRinexFormat"));
        return false;
    }
    KestrinNotifyTarget target{&Notify, this};
    failureCode_ = failureErrno_ = 0;
    written_.clear();
    const int result = library.ParseDataToRinexFormat(
        job_->inputPath.c_str(), job_->outputFolder.c_str(), job_->options, &target);
    if (result == 0) reason = FailureReasonText(failureCode_, failureErrno_);
    return result != 0;
}

// The observation file is the one this conversion reported writing; the folder search by
// name, which may also match an older file of a similar name, is only the fallback.
std::string CConvertThread::observationFile() const {
    for (const std::string& path : written_)
        if (EndsInO(path)) return path;
    std::string base = ObservationBase(job_->inputPath, job_->outputFolder);
    if (base.empty() || !FindObservationFile(base)) return {};
    return base;
}

void CConvertThread::singlePointStep() {
    PositioningLibrary library;
    if (!library.bind() || library.SinglePosition == nullptr) return;
    const std::string observation = observationFile();
    if (observation.empty()) return;
    double xyz[3] = {0.0, 0.0, 0.0};
    if (library.SinglePosition(observation.c_str(), xyz, nullptr) != 0)
        WriteApproxPosition(observation, xyz);
}

void CConvertThread::run() {
    emit conversionStarted();
    QString reason;
    if (!convert(reason))
        emit conversionFailed(reason);
    else if (job_->options & kSinglePointBit)
        singlePointStep();
    emit conversionFinished();
}

}  // namespace tollmere
