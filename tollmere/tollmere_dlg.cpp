#include "tollmere_dlg.h"

#include <strings.h>
#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QTableWidget>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "about_dlg.h"
#include "antenna_dlg.h"
#include "column_text.h"
#include "kestrin/kestrin.h"

namespace tollmere {
namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// A cell that sorts by its sort value where it has one (numbers, times), else by its text.
class SortItem : public QTableWidgetItem {
  public:
    using QTableWidgetItem::QTableWidgetItem;
    bool operator<(const QTableWidgetItem& other) const override {
        const QVariant a = data(kSortRole), b = other.data(kSortRole);
        if (a.isValid() && b.isValid()) return QVariant::compare(a, b) == QPartialOrdering::Less;
        return QString::localeAwareCompare(text(), other.text()) < 0;
    }
};

QString NowText() {
    return QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
}

QString ShownNames(const std::vector<std::string>& paths) {
    QStringList names;
    for (const std::string& p : paths) names << DisplayName(FileNameOf(p));
    return names.join(QStringLiteral(", "));
}

}  // namespace

CTollmereDlg::CTollmereDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Tollmere"));
    buildControls();
    resize(1360, 780);
    library_.bind();
}

CTollmereDlg::~CTollmereDlg() {
    closing_ = true;
    queue_.clear();
    stopWorker();
    if (scanThread_ != nullptr) {
        scanThread_->wait();
        delete scanThread_;
    }
    library_.release();
}

void CTollmereDlg::buildControls() {
    auto* top = new QVBoxLayout(this);

    auto* pathRow = new QHBoxLayout;
    pathButton_ = new QPushButton(tr("Path"));
    folderEdit_ = new QLineEdit;
    folderEdit_->setPlaceholderText(tr("Folder of the raw files; Enter lists it"));
    pathRow->addWidget(pathButton_);
    pathRow->addWidget(folderEdit_, 1);
    top->addLayout(pathRow);

    fileList_ = new QTableWidget(0, kColumnCount);
    fileList_->setHorizontalHeaderLabels(
        {tr("File name"), tr("Antenna height"), tr("SIZE"), tr("date"), tr("Start time "),
         tr("Stop time"), tr("Measuring method"), tr("Point name"), tr("Duration"), tr("Result")});
    fileList_->setColumnWidth(kColName, 180);
    for (int c = kColHeight; c < kColumnCount; ++c) fileList_->setColumnWidth(c, 120);
    fileList_->setColumnWidth(kColMethod, 150);
    fileList_->setColumnWidth(kColPoint, 80);
    fileList_->setColumnWidth(kColDuration, 70);
    // The added columns are at least as wide as their headings in every language.
    for (int c : {kColMethod, kColPoint, kColDuration})
        fileList_->setColumnWidth(
            c, std::max(fileList_->columnWidth(c),
                        fileList_->horizontalHeader()->fontMetrics().horizontalAdvance(
                            fileList_->horizontalHeaderItem(c)->text()) +
                            16));
    fileList_->horizontalHeader()->setStretchLastSection(true);
    fileList_->horizontalHeader()->setSectionsClickable(true);
    fileList_->verticalHeader()->hide();
    fileList_->verticalHeader()->setDefaultSectionSize(20);
    fileList_->setSelectionBehavior(QAbstractItemView::SelectRows);
    fileList_->setSelectionMode(QAbstractItemView::SingleSelection);
    fileList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    fileList_->setShowGrid(true);
    fileList_->setWordWrap(false);
    fileList_->setMinimumSize(980, 260);
    fileList_->setContextMenuPolicy(Qt::CustomContextMenu);
    top->addWidget(fileList_, 3);

    log_ = new QPlainTextEdit;
    log_->setReadOnly(true);
    log_->setPlaceholderText(tr("The log of the conversions appears here."));
    log_->setMaximumBlockCount(100000);
    top->addWidget(log_, 1);

    status_ = new QLabel(tr("Status:"));
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    progress_ = new QProgressBar;
    progress_->setRange(0, 100);
    progress_->setValue(0);
    batchProgress_ = new QProgressBar;
    batchProgress_->setRange(0, 1);
    batchProgress_->setValue(0);
    batchProgress_->setFormat(QString());
    top->addWidget(status_);
    top->addWidget(progress_);
    top->addWidget(batchProgress_);
    top->addWidget(buildOptions());

    auto* buttons = new QHBoxLayout;
    selectAll_ = new QPushButton(tr("Select All"));
    samePath_ = new QCheckBox(tr("Output path=Input path"));
    samePath_->setChecked(true);
    export_ = new QPushButton(tr("Export"));
    cancel_ = new QPushButton(tr("Cancel"));
    cancel_->setEnabled(false);
    cancel_->setToolTip(tr("Stops after the running file; the files after it are skipped."));
    exit_ = new QPushButton(tr("Exit"));
    about_ = new QPushButton(tr("About Tollmere(&A)..."));
    saveLog_ = new QPushButton(tr("Save log..."));
    openOutput_ = new QPushButton(tr("Open output folder"));
    openOutput_->setEnabled(false);
    buttons->addWidget(selectAll_);
    buttons->addWidget(samePath_);
    buttons->addStretch(1);
    buttons->addWidget(saveLog_);
    buttons->addWidget(openOutput_);
    buttons->addWidget(about_);
    buttons->addWidget(export_);
    buttons->addWidget(cancel_);
    buttons->addWidget(exit_);
    top->addLayout(buttons);

    // The about entry is also on the window's context menu, after a separator.
    auto* separator = new QAction(this);
    separator->setSeparator(true);
    auto* aboutAction = new QAction(tr("About Tollmere(&A)..."), this);
    addAction(separator);
    addAction(aboutAction);
    setContextMenuPolicy(Qt::ActionsContextMenu);

    connect(pathButton_, &QPushButton::clicked, this, &CTollmereDlg::onPath);
    // A typed folder is listed on Enter, without asking.
    connect(folderEdit_, &QLineEdit::returnPressed, this, &CTollmereDlg::scanFolder);
    connect(selectAll_, &QPushButton::clicked, this, &CTollmereDlg::onSelectAll);
    connect(export_, &QPushButton::clicked, this, [this] { exportChecked(); });
    connect(cancel_, &QPushButton::clicked, this, &CTollmereDlg::onCancel);
    connect(exit_, &QPushButton::clicked, this, &CTollmereDlg::reject);
    connect(about_, &QPushButton::clicked, this, &CTollmereDlg::showAbout);
    connect(saveLog_, &QPushButton::clicked, this, &CTollmereDlg::onSaveLog);
    connect(openOutput_, &QPushButton::clicked, this, &CTollmereDlg::onOpenOutputFolder);
    connect(aboutAction, &QAction::triggered, this, &CTollmereDlg::showAbout);
    connect(version_, &QComboBox::currentIndexChanged, this, &CTollmereDlg::onVersionChanged);
    connect(fileList_, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { editRow(row); });
    connect(fileList_, &QWidget::customContextMenuRequested, this, &CTollmereDlg::showRowMenu);
    connect(fileList_->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &CTollmereDlg::sortByColumn);
    connect(this, &CTollmereDlg::takeNext, this, &CTollmereDlg::onTakeNext, Qt::QueuedConnection);
}

QWidget* CTollmereDlg::buildOptions() {
    auto* box = new QGroupBox;
    auto* grid = new QGridLayout(box);

    version_ = new QComboBox;
    version_->addItems({QStringLiteral("Rinex2.10"), QStringLiteral("Rinex3.02"),
                        QStringLiteral("Leica3.02"), QStringLiteral("Brevak2.10"),
                        QStringLiteral("Brevak3.02")});
    version_->setCurrentIndex(1);
    mixed_ = new QCheckBox(tr("Mixed V3.02"));
    interval_ = new QComboBox;
    interval_->addItem(tr("Automatic"));
    for (const char* hz : {"10", "5", "2", "1"})
        interval_->addItem(QString::fromLatin1(hz) + tr("Hz"));
    for (const char* s : {"2", "5", "10", "15", "20", "30", "60"})
        interval_->addItem(QString::fromLatin1(s) + tr("s"));
    interval_->setCurrentIndex(0);

    grid->addWidget(new QLabel(tr("Rinex Version:")), 0, 0);
    grid->addWidget(version_, 0, 1);
    grid->addWidget(mixed_, 0, 2);
    grid->addWidget(new QLabel(tr("time Interval:")), 0, 3);
    grid->addWidget(interval_, 0, 4);

    iono_ = new QCheckBox(tr("Output Ionospheric Corretions"));
    phaseCenter_ = new QCheckBox(tr("Phase Center"));
    cycleSlip_ = new QCheckBox(tr("Flag Cycle Slip"));
    singlePoint_ = new QCheckBox(tr("Set Station Coordinate With Single Point Position"));
    for (QCheckBox* b : {iono_, phaseCenter_, cycleSlip_}) b->setChecked(true);
    grid->addWidget(iono_, 1, 0, 1, 2);
    grid->addWidget(phaseCenter_, 1, 2);
    grid->addWidget(cycleSlip_, 1, 3);
    grid->addWidget(singlePoint_, 2, 0, 1, 5);

    auto* systems = new QHBoxLayout;
    systems->addWidget(new QLabel(tr("Export System:")));
    const QString names[6] = {tr("GPS"),     tr("GLO"),  tr("BeiDou"),
                              tr("Galileo"), tr("QZSS"), tr("SBAS")};
    for (int i = 0; i < 6; ++i) {
        systems_[i] = new QCheckBox(names[i]);
        systems_[i]->setChecked(true);
        systems->addWidget(systems_[i]);
    }
    systems->addStretch(1);
    grid->addLayout(systems, 3, 0, 1, 5);

    auto* bands = new QHBoxLayout;
    bands->addWidget(new QLabel(tr("Freq Band:")));
    singleFreq_ = new QRadioButton(tr("Single Freq"));
    multiFreq_ = new QRadioButton(tr("Multiple Freq"));
    freqGroup_ = new QButtonGroup(this);
    freqGroup_->addButton(singleFreq_);
    freqGroup_->addButton(multiFreq_);
    multiFreq_->setChecked(true);
    bands->addWidget(singleFreq_);
    bands->addWidget(multiFreq_);
    bands->addStretch(1);
    grid->addLayout(bands, 4, 0, 1, 5);
    return box;
}

OptionControls CTollmereDlg::optionControls() const {
    OptionControls c;
    bool on[6];
    for (int i = 0; i < 6; ++i) on[i] = systems_[i]->isChecked();
    c.gps = on[0];
    c.glonass = on[1];
    c.beidou = on[2];
    c.galileo = on[3];
    c.qzss = on[4];
    c.sbas = on[5];
    c.singleFrequency = singleFreq_->isChecked();
    c.phaseCenter = phaseCenter_->isChecked();
    c.ionoCorrections = iono_->isChecked();
    c.mixedV302 = mixed_->isChecked();
    c.flagCycleSlip = cycleSlip_->isChecked();
    c.singlePoint = singlePoint_->isChecked();
    c.intervalIndex = interval_->currentIndex();
    c.versionIndex = version_->currentIndex();
    return c;
}

void CTollmereDlg::onPath() {
    if (folderEdit_->text().isEmpty() || askYesNo(tr("Are you sure to rechoose path?"))) {
        const QString folder = chooseFolder(tr("Please Select Path"));
        if (folder.isEmpty()) return;
        folderEdit_->setText(folder);
    }
    scanFolder();
}

void CTollmereDlg::scanFolder() {
    if (scanThread_ != nullptr) {
        rescanPending_ = true;  // listed again with the field's text once this scan is done
        return;
    }
    const std::string folder = QFile::encodeName(folderEdit_->text()).toStdString();
    status_->setText(tr("Status: listing %1").arg(folderEdit_->text()));
    // Reading the headers of thousands of files, or of a slow disk, must not freeze the
    // window: the scan runs on its own thread and hands its records back.
    auto heads = std::make_shared<std::optional<std::vector<StaticFile_Head>>>();
    scanThread_ = QThread::create([folder, heads] { *heads = ScanFolder(folder); });
    connect(scanThread_, &QThread::finished, this, [this, heads, folder] {
        scanThread_->deleteLater();
        scanThread_ = nullptr;
        listedFolder_ = folder;
        onScanDone(std::move(*heads));
    });
    scanThread_->start();
}

void CTollmereDlg::onScanDone(std::optional<std::vector<StaticFile_Head>> heads) {
    if (closing_) return;
    if (rescanPending_) {
        rescanPending_ = false;
        scanFolder();
        return;
    }
    if (!heads) {
        status_->setText(tr("Status:"));
        showMessage(QMessageBox::NoIcon, tr("Find File Failed!"));
        emit listed(false);
        return;
    }
    files_ = std::move(*heads);
    fillList();
    status_->setText(tr("Status: %1 raw files listed").arg(files_.size()));
    emit listed(true);
}

void CTollmereDlg::fillList() {
    fileList_->setUpdatesEnabled(false);
    fileList_->setRowCount(0);
    fileList_->setRowCount(static_cast<int>(files_.size()));
    for (size_t i = 0; i < files_.size(); ++i) fillRow(static_cast<int>(i), files_[i]);
    if (sortColumn_ >= 0) fileList_->sortItems(sortColumn_, sortOrder_);
    fileList_->setUpdatesEnabled(true);
}

void CTollmereDlg::fillRow(int row, const StaticFile_Head& head) {
    const int duration = head.hasHeader ? DurationSeconds(head.startTime, head.stopTime) : -1;
    const QString texts[kColumnCount] = {
        DisplayName(head.fileName),
        HeightText(head.antennaHeight),
        SizeText(head.fileSize),
        Q(FormatDate(head.year, head.month, head.day)),
        QString::fromLatin1(head.startTime.c_str()),
        QString::fromLatin1(head.stopTime.c_str()),
        MethodName(head.measureMethod),
        QString::fromLatin1(head.pointName.c_str()),
        duration < 0 ? QString() : DurationText(head.startTime, head.stopTime),
        QString()};
    const QVariant sortKeys[kColumnCount] = {QVariant(),
                                             head.antennaHeight,
                                             static_cast<qlonglong>(head.fileSize),
                                             head.year * 10000 + head.month * 100 + head.day,
                                             ClockSeconds(head.startTime),
                                             ClockSeconds(head.stopTime),
                                             QVariant(),
                                             QVariant(),
                                             duration,
                                             QVariant()};
    for (int c = 0; c < kColumnCount; ++c) {
        auto* item = new SortItem(texts[c]);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable |
                       (c == kColName ? Qt::ItemIsUserCheckable : Qt::NoItemFlags));
        if (sortKeys[c].isValid()) item->setData(kSortRole, sortKeys[c]);
        if (c == kColName) {
            item->setCheckState(Qt::Unchecked);
            item->setData(kRawNameRole, QByteArray::fromStdString(head.fileName));
            item->setToolTip(texts[c]);
        }
        fileList_->setItem(row, c, item);
    }
    if (head.problem != StaticFile_Head::Problem::None) {
        InputCheck check;
        check.kind = head.problem == StaticFile_Head::Problem::NotRegular
                         ? InputCheck::Kind::NotRegular
                         : InputCheck::Kind::Unreadable;
        check.error = head.problemErrno;
        const QString reason = InputRefusalText(check);
        fileList_->item(row, kColResult)->setText(tr("cannot be converted: %1").arg(reason));
        fileList_->item(row, kColResult)->setToolTip(reason);
    }
    // A rescan keeps showing what the last batch did with a file.
    if (const RowResult* result = resultOf(head.fileName)) showResultIn(row, *result);
}

std::string CTollmereDlg::rowFileName(int row) const {
    const QTableWidgetItem* item = fileList_->item(row, kColName);
    return item ? item->data(kRawNameRole).toByteArray().toStdString() : std::string();
}

std::string CTollmereDlg::rowPath(int row) const {
    return JoinPath(listedFolder_, rowFileName(row));
}

int CTollmereDlg::rowOf(const std::string& fileName) const {
    for (int row = 0; row < fileList_->rowCount(); ++row)
        if (rowFileName(row) == fileName) return row;
    return -1;
}

const RowResult* CTollmereDlg::resultOf(const std::string& fileName) const {
    const auto it = results_.find(fileName);
    return it == results_.end() ? nullptr : &it->second;
}

void CTollmereDlg::sortByColumn(int column) {
    if (column < 0 || column >= kColumnCount) return;
    sortOrder_ = column == sortColumn_ && sortOrder_ == Qt::AscendingOrder ? Qt::DescendingOrder
                                                                           : Qt::AscendingOrder;
    sortColumn_ = column;
    fileList_->horizontalHeader()->setSortIndicatorShown(true);
    fileList_->horizontalHeader()->setSortIndicator(column, sortOrder_);
    fileList_->sortItems(column, sortOrder_);
}

void CTollmereDlg::onSelectAll() {
    selectAllOn_ = !selectAllOn_;
    for (int row = 0; row < fileList_->rowCount(); ++row)
        fileList_->item(row, kColName)->setCheckState(selectAllOn_ ? Qt::Checked : Qt::Unchecked);
    selectAll_->setText(selectAllOn_ ? tr("SELECT NONE") : tr("SELECT ALL"));
}

void CTollmereDlg::onVersionChanged(int index) {
    mixed_->setEnabled(index == 1 || index == 2 || index == 4);
}

void CTollmereDlg::setOptionControlsEnabled(bool enabled) {
    QWidget* controls[] = {pathButton_, folderEdit_,  selectAll_, export_,     samePath_,
                           singleFreq_, multiFreq_,   mixed_,     version_,    interval_,
                           iono_,       phaseCenter_, cycleSlip_, singlePoint_};
    for (QWidget* w : controls) w->setEnabled(enabled);
    for (QCheckBox* b : systems_) b->setEnabled(enabled);
    cancel_->setEnabled(!enabled);
}

bool CTollmereDlg::exportChecked() {
    const OptionControls controls = optionControls();
    const std::string folder = QFile::encodeName(folderEdit_->text()).toStdString();
    if (folder.empty()) {
        showMessage(QMessageBox::Warning, tr("Path is empty, please select first"));
        return false;
    }
    if (SystemMask(controls) == 0) {
        showMessage(QMessageBox::Warning, tr("Select Export Satellite System!"));
        return false;
    }
    if (controls.versionIndex < 0) {
        showMessage(QMessageBox::Warning, tr("Select Version"));
        return false;
    }
    const int32_t word = OptionWord(controls);
    std::vector<std::string> checked;
    for (int row = 0; row < fileList_->rowCount(); ++row)
        if (fileList_->item(row, kColName)->checkState() == Qt::Checked)
            checked.push_back(rowFileName(row));
    if (checked.empty()) {
        showMessage(QMessageBox::Warning, tr("Please Select File"));
        return false;
    }
    // The rows name files of the folder they were listed from, whatever the field says now.
    const std::string input = listedFolder_.empty() ? folder : listedFolder_;
    std::string output = input;
    if (!samePath_->isChecked()) {
        output = QFile::encodeName(chooseFolder(tr("Please Select Path"))).toStdString();
        if (output.empty()) return false;
    }

    setOptionControlsEnabled(false);
    converting_ = true;
    job_.outputFolder = output;
    job_.options = word;
    results_.clear();
    for (const std::string& name : checked) {
        status_->setText(tr("Status: Convert to Rinex ") + DisplayName(name));
        queue_.push_back(JoinPath(input, name));
        results_[name] = RowResult{};
    }
    for (int row = 0; row < fileList_->rowCount(); ++row) {
        if (const RowResult* result = resultOf(rowFileName(row))) {
            showResultIn(row, *result);
        } else {
            fileList_->item(row, kColResult)->setText(QString());
            fileList_->item(row, kColResult)->setToolTip(QString());
        }
    }
    batchTotal_ = static_cast<int>(queue_.size());
    batchIndex_ = 0;
    convertedCount_ = failedCount_ = skippedCount_ = 0;
    batchProgress_->setRange(0, batchTotal_ * 100);
    batchProgress_->setValue(0);
    appendLog(
        tr("Converting %1 files into %2").arg(batchTotal_).arg(QFile::decodeName(output.c_str())));
    onTakeNext();
    return true;
}

void CTollmereDlg::onTakeNext() {
    if (queue_.empty() || closing_) return;
    job_.inputPath = queue_.front();
    queue_.pop_front();
    ++batchIndex_;
    results_[FileNameOf(job_.inputPath)].state = RowResult::State::Running;
    showResult(FileNameOf(job_.inputPath));
    updateBatchProgress(0);
    startWorker();
}

void CTollmereDlg::startWorker() {
    thread_ = new QThread;
    worker_ = new CConvertThread(&job_);
    worker_->moveToThread(thread_);
    connect(this, &CTollmereDlg::runJob, worker_, &CConvertThread::run, Qt::QueuedConnection);
    connect(worker_, &CConvertThread::progress, this, &CTollmereDlg::onProgress,
            Qt::BlockingQueuedConnection);
    connect(worker_, &CConvertThread::conversionFailed, this, &CTollmereDlg::onConversionFailed,
            Qt::BlockingQueuedConnection);
    connect(worker_, &CConvertThread::conversionStarted, this, &CTollmereDlg::onConversionStarted,
            Qt::QueuedConnection);
    connect(worker_, &CConvertThread::conversionFinished, this, &CTollmereDlg::onConversionFinished,
            Qt::QueuedConnection);
    thread_->start();
    emit runJob();
}

void CTollmereDlg::stopWorker() {
    if (thread_ == nullptr) return;
    thread_->quit();
    // The worker may wait on a blocking notification to this thread: keep serving them.
    while (!thread_->wait(20)) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    delete worker_;
    delete thread_;
    worker_ = nullptr;
    thread_ = nullptr;
}

void CTollmereDlg::onProgress(int percent) {
    if (closing_ || percent < 0 || percent > 100) return;
    progress_->setValue(percent);
    updateBatchProgress(percent);
}

void CTollmereDlg::updateBatchProgress(int percent) {
    if (batchTotal_ <= 0) return;
    batchProgress_->setFormat(tr("File %1 of %2").arg(batchIndex_).arg(batchTotal_) +
                              QStringLiteral(" (%p%)"));
    batchProgress_->setValue((batchIndex_ - 1) * 100 + percent);
}

void CTollmereDlg::onConversionStarted() {
    if (closing_) return;
    progress_->setValue(0);
    status_->setText(tr("Status: Convert to Rinex ") + QFile::decodeName(job_.inputPath.c_str()));
}

void CTollmereDlg::onConversionFailed(const QString& reason) {
    // The batch goes on: the reason is shown in the row and the log, not in a box that
    // would hold up the queue until someone clicks it.
    if (closing_) return;
    RowResult& result = results_[FileNameOf(job_.inputPath)];
    result.state = RowResult::State::Failed;
    result.reason = reason;
}

void CTollmereDlg::onConversionFinished() {
    if (closing_) return;
    const ConversionResult done = worker_ != nullptr ? worker_->result() : ConversionResult{};
    stopWorker();
    const std::string name = FileNameOf(job_.inputPath);
    RowResult& result = results_[name];
    if (done.converted) {
        result.state = RowResult::State::Converted;
        result.written = done.written;
        ++convertedCount_;
        appendLog(tr("%1: converted, files written: %2")
                      .arg(DisplayName(name), ShownNames(done.written)));
    } else {
        result.state = RowResult::State::Failed;
        if (result.reason.isEmpty()) result.reason = done.reason;
        ++failedCount_;
        appendLog(
            tr("%1: %2: %3").arg(DisplayName(name), tr("Convert to Rinex Error"), result.reason));
    }
    showResult(name);
    updateBatchProgress(100);
    status_->setText(tr("Complete"));
    refreshRow(job_.inputPath);
    QTimer::singleShot(500, this, [this] {
        if (closing_) return;
        if (!queue_.empty()) {
            emit takeNext();
            return;
        }
        finishBatch();
    });
}

void CTollmereDlg::finishBatch() {
    setOptionControlsEnabled(true);
    converting_ = false;
    const QString summary = tr("%1 converted, %2 failed, %3 skipped")
                                .arg(convertedCount_)
                                .arg(failedCount_)
                                .arg(skippedCount_);
    status_->setText(tr("Complete") + QStringLiteral(": ") + summary);
    progress_->setValue(100);
    batchProgress_->setValue(batchProgress_->maximum());
    batchProgress_->setFormat(
        tr("%1 of %2 files done").arg(convertedCount_ + failedCount_).arg(batchTotal_));
    appendLog(tr("Complete") + QStringLiteral(": ") + summary);
    openOutput_->setEnabled(!job_.outputFolder.empty());
    emit idle();
}

void CTollmereDlg::onCancel() {
    if (!converting_ || queue_.empty()) {
        cancel_->setEnabled(false);
        return;
    }
    for (const std::string& path : queue_) {
        const std::string name = FileNameOf(path);
        results_[name].state = RowResult::State::Skipped;
        showResult(name);
        ++skippedCount_;
    }
    appendLog(
        tr("Cancelled: %1 files skipped; the running file is finished first.").arg(queue_.size()));
    queue_.clear();
    batchTotal_ = batchIndex_;
    batchProgress_->setRange(0, batchTotal_ * 100);
    cancel_->setEnabled(false);
}

void CTollmereDlg::showResult(const std::string& fileName) {
    const int row = rowOf(fileName);
    const RowResult* result = resultOf(fileName);
    if (row >= 0 && result != nullptr) showResultIn(row, *result);
}

void CTollmereDlg::showResultIn(int row, const RowResult& result) {
    QTableWidgetItem* cell = fileList_->item(row, kColResult);
    QString text, tip;
    switch (result.state) {
        case RowResult::State::Waiting:
            text = tr("waiting");
            break;
        case RowResult::State::Running:
            text = tr("converting");
            break;
        case RowResult::State::Converted:
            text = tr("converted, files written: %1").arg(result.written.size());
            for (const std::string& p : result.written)
                tip += QFile::decodeName(p.c_str()) + QLatin1Char('\n');
            tip.chop(1);
            break;
        case RowResult::State::Failed:
            text = tr("failed: %1").arg(result.reason);
            tip = result.reason;
            break;
        case RowResult::State::Skipped:
            text = tr("skipped (cancelled)");
            break;
    }
    cell->setText(text);
    cell->setToolTip(tip);
}

void CTollmereDlg::appendLog(const QString& line) {
    log_->appendPlainText(NowText() + QLatin1Char(' ') + line);
}

void CTollmereDlg::onOpenOutputFolder() {
    if (job_.outputFolder.empty()) return;
    openFolder(QFile::decodeName(job_.outputFolder.c_str()));
}

void CTollmereDlg::onSaveLog() {
    const QString path = chooseSaveFile(tr("Save log"));
    if (path.isEmpty()) return;
    // Written whole or not at all.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text) ||
        file.write(log_->toPlainText().toUtf8() + '\n') < 0 || !file.commit()) {
        showMessage(QMessageBox::Warning,
                    tr("The log could not be saved: %1").arg(file.errorString()));
    }
}

void CTollmereDlg::refreshRow(const std::string& inputPath) {
    const std::string name = FileNameOf(inputPath);
    for (int row = 0; row < fileList_->rowCount(); ++row) {
        if (strcasecmp(rowFileName(row).c_str(), name.c_str()) != 0) continue;
        const std::optional<StaticFile_Head> head = ReadStaticFileHead(inputPath);
        if (!head || !head->hasHeader) return;
        char date[32];
        std::snprintf(date, sizeof date, "%4d-%d-%d", head->year, head->month, head->day);
        fileList_->item(row, kColDate)->setText(QString::fromLatin1(date));
        fileList_->item(row, kColStart)->setText(QString::fromLatin1(head->startTime.c_str()));
        fileList_->item(row, kColStop)->setText(QString::fromLatin1(head->stopTime.c_str()));
        return;
    }
}

void CTollmereDlg::editRow(int row) {
    const QList<QTableWidgetItem*> selected = fileList_->selectedItems();
    if (row < 0) row = selected.isEmpty() ? -1 : selected.front()->row();
    if (row < 0 || row >= fileList_->rowCount()) {
        showMessage(QMessageBox::Warning, tr("Please Select File"));
        return;
    }
    const std::string path = rowPath(row);
    unsigned char h[kStaticHeaderSize] = {};
    if (ReadFilePrefix(path, h, sizeof h) != kStaticHeaderSize) return;
    if (std::memcmp(h, "QVT-G", 5) != 0) {
        showMessage(QMessageBox::NoIcon, tr("No file header, can't edit antenna height"));
        return;
    }
    CSetAnteHeightDlg editor(path, fileList_->item(row, kColStart)->text(),
                             fileList_->item(row, kColStop)->text(), this);
    if (!runEditor(editor)) return;
    const int toPhaseCenter = phaseCenter_->isChecked() ? 1 : 0;
    const double height = editor.storedHeight(toPhaseCenter);
    fileList_->item(row, kColHeight)->setText(HeightText(height));
    renameAfterEdit(row, path, editor.pointName());
}

void CTollmereDlg::renameAfterEdit(int, const std::string& path, const std::string& pointName) {
    std::string newPath;
    const RenameOutcome outcome = RenameToPointName(library_, path, pointName, newPath);
    if (outcome == RenameOutcome::TargetExists)
        showMessage(QMessageBox::Warning,
                    tr("A file named %1 already exists; %2 keeps its name.")
                        .arg(DisplayName(FileNameOf(newPath)), DisplayName(FileNameOf(path))));
    if (!folderEdit_->text().isEmpty()) scanFolder();
}

void CTollmereDlg::showRowMenu(const QPoint& position) {
    const int row = fileList_->rowAt(position.y());
    if (row < 0) return;
    fileList_->selectRow(row);
    std::unique_ptr<QMenu> menu(buildRowMenu(row));
    menu->exec(fileList_->viewport()->mapToGlobal(position));
}

QMenu* CTollmereDlg::buildRowMenu(int row) {
    auto* menu = new QMenu(this);
    const QString path = QFile::decodeName(rowPath(row).c_str());
    QAction* edit =
        menu->addAction(tr("Edit antenna height..."), this, [this, row] { editRow(row); });
    edit->setObjectName(QStringLiteral("editAntenna"));
    QAction* info = menu->addAction(tr("File information..."), this, [this, row] {
        showMessage(QMessageBox::Information, fileInformation(row));
    });
    info->setObjectName(QStringLiteral("fileInformation"));
    QAction* folder = menu->addAction(tr("Open containing folder"), this, [this] {
        openFolder(QFile::decodeName(listedFolder_.c_str()));
    });
    folder->setObjectName(QStringLiteral("openFolder"));
    // Other windows (a quality overview, say) add their entries here.
    emit rowMenuAboutToShow(menu, path);
    menu->addSeparator();
    menu->addAction(tr("About Tollmere(&A)..."), this, &CTollmereDlg::showAbout);
    return menu;
}

QString CTollmereDlg::fileInformation(int row) {
    const std::string path = rowPath(row);
    const QString shown = DisplayName(rowFileName(row));
    // Never let the library open a pipe or device.
    const InputCheck check = CheckInput(path);
    if (const QString refusal = InputRefusalText(check); !refusal.isEmpty())
        return shown + QStringLiteral("\n") + refusal;
    char first[KESTRIN_TEXT_CAPACITY] = {}, last[KESTRIN_TEXT_CAPACITY] = {},
         marker[KESTRIN_TEXT_CAPACITY] = {}, receiver[KESTRIN_TEXT_CAPACITY] = {},
         antenna[KESTRIN_TEXT_CAPACITY] = {};
    int antennaNumber = 0, method = 0;
    double measured = 0, deltaH = 0, r = 0, h = 0, l1 = 0, l2 = 0, xyz[3] = {0, 0, 0};
    if (library_.ReadHeadInfo == nullptr ||
        library_.ReadHeadInfo(path.c_str(), first, last, marker, receiver, antenna, &antennaNumber,
                              &measured, &method, &deltaH, &r, &h, &l1, &l2, &xyz[0], &xyz[1],
                              &xyz[2]) == 0) {
        return shown + QStringLiteral("\n") +
               tr("Not a static file (no static header, or an unknown header format code).");
    }
    auto text = [](const char* t) { return QString::fromLatin1(t).trimmed(); };
    QStringList lines;
    lines << shown << tr("Marker name: %1").arg(text(marker))
          << tr("Receiver: %1").arg(text(receiver))
          << tr("Antenna: %1 (number %2)").arg(text(antenna)).arg(antennaNumber)
          << tr("First observation: %1").arg(text(first))
          << tr("Last observation: %1").arg(text(last))
          << tr("Position X Y Z: %1 %2 %3 m")
                 .arg(xyz[0], 0, 'f', 4)
                 .arg(xyz[1], 0, 'f', 4)
                 .arg(xyz[2], 0, 'f', 4)
          << tr("Antenna height: %1 m measured, method %2 (%3)")
                 .arg(measured, 0, 'f', 4)
                 .arg(method)
                 .arg(MethodName(method))
          << tr("Phase centre (dH): %1 m").arg(deltaH, 0, 'f', 4)
          << tr("Antenna R H L1 L2: %1 %2 %3 %4 m")
                 .arg(r, 0, 'f', 4)
                 .arg(h, 0, 'f', 4)
                 .arg(l1, 0, 'f', 4)
                 .arg(l2, 0, 'f', 4);
    return lines.join(QLatin1Char('\n'));
}

void CTollmereDlg::showAbout() {
    CAboutDlg about(this);
    about.exec();
}

void CTollmereDlg::showMessage(QMessageBox::Icon icon, const QString& text) {
    QMessageBox box(icon, tr("Tollmere"), text, QMessageBox::Ok, this);
    box.button(QMessageBox::Ok)->setText(tr("OK"));
    box.exec();
}

bool CTollmereDlg::askYesNo(const QString& text) {
    QMessageBox box(QMessageBox::Question, tr("Tollmere"), text, QMessageBox::Yes | QMessageBox::No,
                    this);
    box.button(QMessageBox::Yes)->setText(tr("Yes"));
    box.button(QMessageBox::No)->setText(tr("No"));
    return box.exec() == QMessageBox::Yes;
}

QString CTollmereDlg::chooseFolder(const QString& title) {
    return QFileDialog::getExistingDirectory(this, title, folderEdit_->text(),
                                             QFileDialog::ShowDirsOnly);
}

bool CTollmereDlg::runEditor(CSetAnteHeightDlg& editor) {
    return editor.exec() == QDialog::Accepted;
}

void CTollmereDlg::openFolder(const QString& folder) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

QString CTollmereDlg::chooseSaveFile(const QString& title) {
    const QString name = QStringLiteral("tollmere-%1.log")
                             .arg(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
    return QFileDialog::getSaveFileName(this, title, name, tr("Log files (*.log *.txt)"));
}

void CTollmereDlg::done(int result) {
    // Leaving while a file converts: the queue is dropped, the current file ends first.
    queue_.clear();
    if (thread_ != nullptr) {
        hide();
        closing_ = true;
        stopWorker();
    }
    QDialog::done(result);
}

}  // namespace tollmere
