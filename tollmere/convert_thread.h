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

class CConvertThread : public QObject {
    Q_OBJECT
  public:
    explicit CConvertThread(const ConversionJob* job) : job_(job) {}

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
    std::vector<std::string> written_;  // files the conversion reported writing
};

// The text of a conversion failure reason sent by the library.
QString FailureReasonText(long code, long error);

}  // namespace tollmere
