// The worker that converts one file on its own thread: it binds the conversion library, runs
// the conversion, and runs the single-point step when the option word asks for it.
#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <string>
#include <vector>

namespace tollmere {

// The job the dialog hands to the worker; written only while no worker runs.
struct ConversionJob {
    std::string inputPath;
    std::string outputFolder;
    int32_t options = 0;
};

struct InputCheck;

// What one conversion did; read by the dialog once the worker's thread has ended.
struct ConversionResult {
    bool converted = false;
    QString reason;                    // why it failed
    std::vector<std::string> written;  // files the conversion reported writing
};

class CConvertThread : public QObject {
    Q_OBJECT
  public:
    explicit CConvertThread(const ConversionJob* job) : job_(job) {}

    const ConversionResult& result() const { return result_; }

    // Called through the library's notify target on this thread.
    void onLibraryNotification(unsigned int message, long wparam, long lparam);

  public slots:
    // Notification 2025: run the job.
    void run();

  signals:
    void progress(int percent);             // 2024, blocking
    void conversionFailed(QString reason);  // 2026, blocking
    void conversionStarted();               // 2027, queued
    void conversionFinished();              // 2028, queued

  private:
    bool convert(QString& reason);
    void singlePointStep();
    std::string observationFile() const;

    const ConversionJob* job_;
    long failureCode_ = 0;
    long failureErrno_ = 0;
    ConversionResult result_;
};

// The text of a conversion failure reason sent by the library; check is what the file's first
// bytes say (for a format failure: a header with unknown board data behind it, or no header).
QString FailureReasonText(long code, long error, const InputCheck& check);
// Why a file is not handed to the library at all (it vanished, is no regular file, cannot be
// read or is empty); empty when it may be converted.
QString InputRefusalText(const InputCheck& check);

}  // namespace tollmere
