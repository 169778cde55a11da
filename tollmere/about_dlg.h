// The about box.
#pragma once

#include <QDialog>

class QLabel;

namespace tollmere {

class CAboutDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    QLabel* buildLine() const { return build_; }

  private:
    QLabel* build_ = nullptr;
};

// "Build Date:" followed by the build's date ("Dec 10 2026").
QString BuildDateText();

}  // namespace tollmere
