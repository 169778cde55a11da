#include "convert_thread.h"

#include <QCoreApplication>
#include <cstring>

#include "conversion.h"
#include "kestrin/kestrin.h"
#include "library_binding.h"
#include "static_file_head.h"

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

QString ErrorSuffix(long error) {
    if (error == 0) return {};
    return QStringLiteral(" (%1)").arg(
        QString::fromLocal8Bit(std::strerror(static_cast<int>(error))));
}

QString T(const char* text) {
    return QCoreApplication::translate("tollmere", text);
}

}  // namespace

QString InputRefusalText(const InputCheck& check) {
    using Kind = InputCheck::Kind;
    switch (check.kind) {
        case Kind::Missing:
            return T("The file no longer exists.");
        case Kind::NotRegular:
            return T("Not a regular file (a pipe, device or folder); it was not read.");
        case Kind::Unreadable:
            return T("The file cannot be read.") + ErrorSuffix(check.error);
        case Kind::Empty:
            return T("The file is empty.");
        default:
            return {};
    }
}

QString FailureReasonText(long code, long error, const InputCheck& check) {
    switch (code) {
        case KESTRIN_FAILURE_INPUT:
            return T("The file cannot be read.") + ErrorSuffix(error);
        case KESTRIN_FAILURE_FORMAT:
            break;
        case KESTRIN_FAILURE_NO_OBSERVATIONS:
            return T("No observation epoch could be decoded.");
        case KESTRIN_FAILURE_TEMPORARY:
            return T("The temporary folder could not be created or written.") + ErrorSuffix(error);
        case KESTRIN_FAILURE_OUTPUT:
            return T("An output file could not be written completely.") + ErrorSuffix(error) +
                   T(" The output folder was left as it was.");
        case KESTRIN_FAILURE_MEMORY:
            return T("Out of memory.");
        default:
            return {};
    }
    using Kind = InputCheck::Kind;
    switch (check.kind) {
        case Kind::TruncatedHeader:
            return T("The static header is truncated (%1 of 512 bytes).").arg(check.got);
        case Kind::UnknownCode:
            return T("Not a valid static file: unknown static header format code %1 (expected 0, "
                     "1000 or 1099).")
                .arg(check.formatCode);
        case Kind::HeaderOnly:
            return T("No receiver data after the static header.");
        default:
            break;
    }
    if (const QString refusal = InputRefusalText(check); !refusal.isEmpty()) return refusal;
    return check.hasHeader ? T("Unknown format: no receiver data of a supported board format "
                               "behind the static header.")
                           : T("Not a static file (no static header) and no receiver data of a "
                               "supported board format.");
}

void CConvertThread::onLibraryNotification(unsigned int message, long wparam, long lparam) {
    if (message == kProgress) {
        emit progress(static_cast<int>(wparam));
    } else if (message == kFailure) {
        failureCode_ = wparam;
        failureErrno_ = lparam;
    } else if (message == kFileWritten && lparam != 0) {
        result_.written.emplace_back(reinterpret_cast<const char*>(lparam));
    }
}

bool CConvertThread::convert(QString& reason) {
    // Never hand a pipe or device to the library: reading one could wait forever.
    reason = InputRefusalText(CheckInput(job_->inputPath));
    if (!reason.isEmpty()) return false;
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
    result_.written.clear();
    const int result = library.ParseDataToRinexFormat(
        job_->inputPath.c_str(), job_->outputFolder.c_str(), job_->options, &target);
    if (result == 0) {
        reason = FailureReasonText(failureCode_, failureErrno_, CheckInput(job_->inputPath));
        if (reason.isEmpty()) reason = T("The conversion library reported no reason.");
    }
    return result != 0;
}

// The observation file is the one this conversion reported writing; the folder search by
// name, which may also match an older file of a similar name, is only the fallback.
std::string CConvertThread::observationFile() const {
    for (const std::string& path : result_.written)
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
    result_ = {};
    QString reason;
    result_.converted = convert(reason);
    if (!result_.converted) {
        result_.reason = reason;
        emit conversionFailed(reason);
    } else if (job_->options & kSinglePointBit) {
        singlePointStep();
    }
    emit conversionFinished();
}

}  // namespace tollmere
