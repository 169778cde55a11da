// The main dialog: folder, file list, options, the queued conversion, and the editor.
#pragma once

#include <QDialog>
#include <QMessageBox>
#include <deque>
#include <string>
#include <vector>

#include "conversion.h"
#include "convert_thread.h"
#include "library_binding.h"
#include "static_file_head.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTableWidget;
class QThread;

namespace tollmere {

class CSetAnteHeightDlg;

// Columns of the file list.
enum Column { kColName, kColHeight, kColSize, kColDate, kColStart, kColStop, kColumnCount };

class CTollmereDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CTollmereDlg(QWidget* parent = nullptr);
    ~CTollmereDlg() override;

    // Controls, for the program's tests.
    QPushButton* pathButton() const { return pathButton_; }
    QLineEdit* folderEdit() const { return folderEdit_; }
    QTableWidget* fileList() const { return fileList_; }
    QLabel* statusLine() const { return status_; }
    QProgressBar* progressBar() const { return progress_; }
    QComboBox* versionList() const { return version_; }
    QComboBox* intervalList() const { return interval_; }
    QCheckBox* mixedBox() const { return mixed_; }
    QCheckBox* ionoBox() const { return iono_; }
    QCheckBox* phaseCenterBox() const { return phaseCenter_; }
    QCheckBox* cycleSlipBox() const { return cycleSlip_; }
    QCheckBox* singlePointBox() const { return singlePoint_; }
    QCheckBox* systemBox(int index) const {
        return systems_[index];
    }  // GPS GLO BeiDou Galileo QZSS SBAS
    QRadioButton* singleFreqButton() const { return singleFreq_; }
    QRadioButton* multiFreqButton() const { return multiFreq_; }
    QPushButton* selectAllButton() const { return selectAll_; }
    QCheckBox* samePathBox() const { return samePath_; }
    QPushButton* exportButton() const { return export_; }
    QPushButton* exitButton() const { return exit_; }
    QPushButton* aboutButton() const { return about_; }
    bool converting() const { return converting_; }
    const std::vector<StaticFile_Head>& files() const { return files_; }

    // The controls as an option record.
    OptionControls optionControls() const;
    // Lists the folder in the folder field.
    void scanFolder();
    // "Export"; returns false when it was refused.
    bool exportChecked();
    // Double click on a row.
    void editRow(int row);

  public slots:
    void onPath();
    void onSelectAll();
    void onVersionChanged(int index);
    void showAbout();

  signals:
    void runJob();    // 2025 to the worker
    void takeNext();  // 2029 to the dialog itself
    void idle();      // the queue is done and the controls are enabled again

  protected:
    // Message boxes and choosers; tests replace them.
    virtual void showMessage(QMessageBox::Icon icon, const QString& text);
    virtual bool askYesNo(const QString& text);
    virtual QString chooseFolder(const QString& title);
    virtual bool runEditor(CSetAnteHeightDlg& editor);
    void done(int result) override;

  private slots:
    void onProgress(int percent);
    void onConversionStarted();
    void onConversionFailed(const QString& reason);
    void onConversionFinished();
    void onTakeNext();

  private:
    void buildControls();
    QWidget* buildOptions();
    void fillList();
    void setOptionControlsEnabled(bool enabled);
    void startWorker();
    void stopWorker();
    void refreshRow(const std::string& inputPath);
    void renameAfterEdit(int row, const std::string& path, const std::string& pointName);

    QPushButton* pathButton_ = nullptr;
    QLineEdit* folderEdit_ = nullptr;
    QTableWidget* fileList_ = nullptr;
    QLabel* status_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QComboBox* version_ = nullptr;
    QCheckBox* mixed_ = nullptr;
    QComboBox* interval_ = nullptr;
    QCheckBox* iono_ = nullptr;
    QCheckBox* phaseCenter_ = nullptr;
    QCheckBox* cycleSlip_ = nullptr;
    QCheckBox* singlePoint_ = nullptr;
    QCheckBox* systems_[6] = {};
    QRadioButton* singleFreq_ = nullptr;
    QRadioButton* multiFreq_ = nullptr;
    QButtonGroup* freqGroup_ = nullptr;
    QPushButton* selectAll_ = nullptr;
    QCheckBox* samePath_ = nullptr;
    QPushButton* export_ = nullptr;
    QPushButton* exit_ = nullptr;
    QPushButton* about_ = nullptr;

    std::vector<StaticFile_Head> files_;
    bool selectAllOn_ = false;
    bool converting_ = false;
    bool closing_ = false;
    ConversionJob job_;
    std::deque<std::string> queue_;
    QThread* thread_ = nullptr;
    CConvertThread* worker_ = nullptr;
    ConversionLibrary library_;  // kept for the antenna-height editor
};

}  // namespace tollmere
