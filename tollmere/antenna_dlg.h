// The antenna-height editor of one raw static file.
#pragma once

#include <QDialog>
#include <string>

#include "library_binding.h"

class QComboBox;
class QLineEdit;

namespace tollmere {

// Method numbers of the static header and their names.
QString MethodName(int method);

// Day of the year (January 1 = 1) in the Gregorian calendar; 0 for an invalid date.
int DayOfYear(int year, int month, int day);

// The name proposed when the header has no point name: the file name, padded with '0' or cut
// to four characters.
std::string ProposedPointName(const std::string& path);

// The file name after an edit: point name (padded to four), day of year "%03d", the character
// before the path's last period upper-cased, ".dat".
std::string EditedFileName(const std::string& path, const std::string& pointName, int dayOfYear);

enum class RenameOutcome { Renamed, Unchanged, TargetExists, Failed };

// Moves the file to its edited name in the same folder. Never replaces another file: when the
// new name exists the file keeps its name. newPath receives the name tried.
RenameOutcome RenameToPointName(const ConversionLibrary& library, const std::string& path,
                                const std::string& pointName, std::string& newPath);

class CSetAnteHeightDlg : public QDialog {
    Q_OBJECT
  public:
    CSetAnteHeightDlg(const std::string& path, const QString& start, const QString& stop,
                      QWidget* parent = nullptr);

    QLineEdit* pointNameEdit() const { return pointName_; }
    QLineEdit* heightEdit() const { return height_; }
    QComboBox* methodList() const { return methods_; }
    QLineEdit* outputHeightEdit() const { return output_; }
    int method() const { return method_; }
    // The point name as stored: padded with '0' to four characters.
    std::string pointName() const;
    // The stored height reduced to the phase centre (1) or the antenna bottom (0).
    double storedHeight(int toPhaseCenter);

  public slots:
    // "OK": writes the header and closes the editor.
    void onOk();

  private slots:
    void onMethodChanged(int index);

  private:
    void loadHeader();
    double outputHeight(int method, double measured, int toPhaseCenter);

    std::string path_;
    ConversionLibrary library_;
    int method_ = 0;
    double measured_ = 0.0;
    QLineEdit* start_ = nullptr;
    QLineEdit* stop_ = nullptr;
    QLineEdit* pointName_ = nullptr;
    QLineEdit* height_ = nullptr;
    QComboBox* methods_ = nullptr;
    QLineEdit* r_ = nullptr;
    QLineEdit* h_ = nullptr;
    QLineEdit* l1_ = nullptr;
    QLineEdit* l2_ = nullptr;
    QLineEdit* output_ = nullptr;
};

}  // namespace tollmere
