// The about box.
#pragma once

#include <QDialog>

class QLabel;

namespace tollmere {

class CAboutDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    QLabel* versionLine() const { return version_; }
    QLabel* buildLine() const { return build_; }

  private:
    QLabel* version_ = nullptr;
    QLabel* build_ = nullptr;
};

// "Build Date:" followed by the build's date ("Dec 10 2026").
QString BuildDateText();

}  // namespace tollmere
