// The main dialog: folder, file list, options, the queued conversion, and the editor.
#pragma once

#include <QDialog>
#include <QMessageBox>
#include <deque>
#include <map>
#include <optional>
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
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTableWidget;
class QThread;

namespace tollmere {

class CSetAnteHeightDlg;

// Columns of the file list.
enum Column {
    kColName,
    kColHeight,
    kColSize,
    kColDate,
    kColStart,
    kColStop,
    kColMethod,
    kColPoint,
    kColDuration,
    kColResult,
    kColumnCount
};

// Data roles of the list's cells: the file's name as the bytes of the folder (on the name
// cell), and the value a column sorts by.
inline constexpr int kRawNameRole = Qt::UserRole;
inline constexpr int kSortRole = Qt::UserRole + 1;

// What the last batch did with one file.
struct RowResult {
    enum class State { Waiting, Running, Converted, Failed, Skipped } state = State::Waiting;
    QString reason;                    // why it failed
    std::vector<std::string> written;  // paths of the files it wrote
};

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
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* openOutputButton() const { return openOutput_; }
    QPushButton* saveLogButton() const { return saveLog_; }
    QProgressBar* batchProgressBar() const { return batchProgress_; }
    QPlainTextEdit* logView() const { return log_; }
    bool converting() const { return converting_; }
    bool scanning() const { return scanThread_ != nullptr; }
    const std::vector<StaticFile_Head>& files() const { return files_; }
    // The file name of a row as the folder spells it (its bytes, whatever they are).
    std::string rowFileName(int row) const;
    std::string rowPath(int row) const;
    // The result of a file in the last batch, null when it was not part of one.
    const RowResult* resultOf(const std::string& fileName) const;
    // The folder the last batch wrote into.
    const std::string& outputFolder() const { return job_.outputFolder; }

    // The menu of a row (edit antenna, file information, open folder, about); the caller owns
    // it. Before it is returned rowMenuAboutToShow lets other windows add their entries.
    QMenu* buildRowMenu(int row);
    // The text of the file-information window of a row (what the header says).
    QString fileInformation(int row);

    // The controls as an option record.
    OptionControls optionControls() const;
    // Lists the folder in the folder field on a thread of its own; listed() follows.
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
    // "Cancel": the running file is finished, the rest of the queue is skipped.
    void onCancel();
    void onOpenOutputFolder();
    void onSaveLog();
    // Sorts the list by a column; a second call on the same column reverses the order.
    void sortByColumn(int column);

  signals:
    void runJob();         // 2025 to the worker
    void takeNext();       // 2029 to the dialog itself
    void idle();           // the queue is done and the controls are enabled again
    void listed(bool ok);  // a folder scan has ended (false: the folder could not be listed)
    // A row's context menu is being built: add entries for the file at path.
    void rowMenuAboutToShow(QMenu* menu, const QString& path);

  protected:
    // Message boxes and choosers; tests replace them.
    virtual void showMessage(QMessageBox::Icon icon, const QString& text);
    virtual bool askYesNo(const QString& text);
    virtual QString chooseFolder(const QString& title);
    virtual bool runEditor(CSetAnteHeightDlg& editor);
    virtual void openFolder(const QString& folder);
    virtual QString chooseSaveFile(const QString& title);
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
    void onScanDone(std::optional<std::vector<StaticFile_Head>> heads);
    void fillRow(int row, const StaticFile_Head& head);
    int rowOf(const std::string& fileName) const;
    void showResult(const std::string& fileName);
    void showResultIn(int row, const RowResult& result);
    void appendLog(const QString& line);
    void updateBatchProgress(int percent);
    void finishBatch();
    void showRowMenu(const QPoint& position);

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
    QPushButton* cancel_ = nullptr;
    QPushButton* openOutput_ = nullptr;
    QPushButton* saveLog_ = nullptr;
    QProgressBar* batchProgress_ = nullptr;
    QPlainTextEdit* log_ = nullptr;

    std::vector<StaticFile_Head> files_;
    std::string listedFolder_;  // the folder files_ came from
    QThread* scanThread_ = nullptr;
    bool rescanPending_ = false;
    int sortColumn_ = -1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
    std::map<std::string, RowResult> results_;  // by file name, for the last batch
    int batchTotal_ = 0, batchIndex_ = 0;
    int convertedCount_ = 0, failedCount_ = 0, skippedCount_ = 0;
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
