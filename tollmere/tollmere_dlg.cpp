#include "tollmere_dlg.h"

#include <strings.h>
#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "about_dlg.h"
#include "antenna_dlg.h"

namespace tollmere {
namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}
std::string S(const QString& text) {
    return text.toStdString();
}

// Display order of the system boxes and their bits in the option word.
constexpr int kSystemBits[6] = {0x01, 0x02, 0x04, 0x20, 0x10, 0x08};

}  // namespace

CTollmereDlg::CTollmereDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Tollmere"));
    buildControls();
    library_.bind();
}

CTollmereDlg::~CTollmereDlg() {
    closing_ = true;
    queue_.clear();
    stopWorker();
    library_.release();
}

void CTollmereDlg::buildControls() {
    auto* top = new QVBoxLayout(this);

    auto* pathRow = new QHBoxLayout;
    pathButton_ = new QPushButton(tr("Path"));
    folderEdit_ = new QLineEdit;
    pathRow->addWidget(pathButton_);
    pathRow->addWidget(folderEdit_, 1);
    top->addLayout(pathRow);

    fileList_ = new QTableWidget(0, kColumnCount);
    fileList_->setHorizontalHeaderLabels({tr("File name"), tr("Antenna height"), tr("SIZE"),
                                          tr("date"), tr("Start time "), tr("Stop time")});
    fileList_->setColumnWidth(kColName, 180);
    for (int c = kColHeight; c < kColumnCount; ++c) fileList_->setColumnWidth(c, 120);
    fileList_->verticalHeader()->hide();
    fileList_->verticalHeader()->setDefaultSectionSize(20);
    fileList_->setSelectionBehavior(QAbstractItemView::SelectRows);
    fileList_->setSelectionMode(QAbstractItemView::SingleSelection);
    fileList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    fileList_->setShowGrid(true);
    fileList_->setMinimumSize(820, 260);
    top->addWidget(fileList_, 1);

    status_ = new QLabel(tr("Status:"));
    progress_ = new QProgressBar;
    progress_->setRange(0, 100);
    progress_->setValue(0);
    top->addWidget(status_);
    top->addWidget(progress_);
    top->addWidget(buildOptions());

    auto* buttons = new QHBoxLayout;
    selectAll_ = new QPushButton(tr("Select All"));
    samePath_ = new QCheckBox(tr("Output path=Input path"));
    samePath_->setChecked(true);
    export_ = new QPushButton(tr("Export"));
    exit_ = new QPushButton(tr("Exit"));
    about_ = new QPushButton(tr("About Tollmere(&A)..."));
    buttons->addWidget(selectAll_);
    buttons->addWidget(samePath_);
    buttons->addStretch(1);
    buttons->addWidget(about_);
    buttons->addWidget(export_);
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
    connect(selectAll_, &QPushButton::clicked, this, &CTollmereDlg::onSelectAll);
    connect(export_, &QPushButton::clicked, this, [this] { exportChecked(); });
    connect(exit_, &QPushButton::clicked, this, &CTollmereDlg::reject);
    connect(about_, &QPushButton::clicked, this, &CTollmereDlg::showAbout);
    connect(aboutAction, &QAction::triggered, this, &CTollmereDlg::showAbout);
    connect(version_, &QComboBox::currentIndexChanged, this, &CTollmereDlg::onVersionChanged);
    connect(fileList_, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { editRow(row); });
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
    std::optional<std::vector<StaticFile_Head>> heads = ScanFolder(S(folderEdit_->text()));
    if (!heads) {
        showMessage(QMessageBox::NoIcon, tr("Find File Failed!"));
        return;
    }
    files_ = std::move(*heads);
    fillList();
}

void CTollmereDlg::fillList() {
    fileList_->setRowCount(0);
    for (const StaticFile_Head& head : files_) {
        const int row = fileList_->rowCount();
        fileList_->insertRow(row);
        const std::string texts[kColumnCount] = {head.fileName,
                                                 FormatAntennaHeight(head.antennaHeight),
                                                 FormatFileSize(head.fileSize),
                                                 FormatDate(head.year, head.month, head.day),
                                                 head.startTime,
                                                 head.stopTime};
        for (int c = 0; c < kColumnCount; ++c) {
            auto* item = new QTableWidgetItem(Q(texts[c]));
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable |
                           (c == kColName ? Qt::ItemIsUserCheckable : Qt::NoItemFlags));
            if (c == kColName) item->setCheckState(Qt::Unchecked);
            fileList_->setItem(row, c, item);
        }
    }
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
    QWidget* controls[] = {pathButton_,  selectAll_, export_,     samePath_, singleFreq_,
                           multiFreq_,   mixed_,     version_,    interval_, iono_,
                           phaseCenter_, cycleSlip_, singlePoint_};
    for (QWidget* w : controls) w->setEnabled(enabled);
    for (QCheckBox* b : systems_) b->setEnabled(enabled);
}

bool CTollmereDlg::exportChecked() {
    const OptionControls controls = optionControls();
    const std::string folder = S(folderEdit_->text());
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
            checked.push_back(S(fileList_->item(row, kColName)->text()));
    if (checked.empty()) {
        showMessage(QMessageBox::Warning, tr("Please Select File"));
        return false;
    }
    std::string output = folder;
    if (!samePath_->isChecked()) {
        output = S(chooseFolder(tr("Please Select Path")));
        if (output.empty()) return false;
    }

    setOptionControlsEnabled(false);
    converting_ = true;
    job_.outputFolder = output;
    job_.options = word;
    for (const std::string& name : checked) {
        status_->setText(tr("Status: Convert to Rinex ") + Q(name));
        queue_.push_back(JoinPath(folder, name));
    }
    onTakeNext();
    return true;
}

void CTollmereDlg::onTakeNext() {
    if (queue_.empty() || closing_) return;
    job_.inputPath = queue_.front();
    queue_.pop_front();
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
}

void CTollmereDlg::onConversionStarted() {
    if (closing_) return;
    progress_->setValue(0);
    status_->setText(tr("Status: Convert to Rinex ") + Q(job_.inputPath));
}

void CTollmereDlg::onConversionFailed(const QString& reason) {
    if (closing_) return;
    QString text =
        QStringLiteral("%1 %2").arg(Q(FileNameOf(job_.inputPath)), tr("Convert to Rinex Error"));
    if (!reason.isEmpty()) text += QStringLiteral("\n") + reason;
    showMessage(QMessageBox::Warning, text);
}

void CTollmereDlg::onConversionFinished() {
    if (closing_) return;
    stopWorker();
    status_->setText(tr("Complete"));
    refreshRow(job_.inputPath);
    QTimer::singleShot(500, this, [this] {
        if (closing_) return;
        if (!queue_.empty()) {
            emit takeNext();
            return;
        }
        setOptionControlsEnabled(true);
        converting_ = false;
        emit idle();
    });
}

void CTollmereDlg::refreshRow(const std::string& inputPath) {
    const std::string name = FileNameOf(inputPath);
    for (int row = 0; row < fileList_->rowCount(); ++row) {
        if (strcasecmp(S(fileList_->item(row, kColName)->text()).c_str(), name.c_str()) != 0)
            continue;
        std::ifstream file(inputPath, std::ios::binary);
        char h[kStaticHeaderSize] = {};
        file.read(h, sizeof h);
        if (file.gcount() != kStaticHeaderSize || std::memcmp(h, "QVT-GPS ", 8) != 0) return;
        const int year =
            static_cast<unsigned char>(h[60]) | (static_cast<unsigned char>(h[61]) << 8);
        char date[32];
        std::snprintf(date, sizeof date, "%4d-%d-%d", year, static_cast<unsigned char>(h[59]),
                      static_cast<unsigned char>(h[58]));
        fileList_->item(row, kColDate)->setText(QString::fromLatin1(date));
        fileList_->item(row, kColStart)
            ->setText(QString::fromLatin1(h + 107, static_cast<int>(strnlen(h + 107, 8))));
        fileList_->item(row, kColStop)
            ->setText(QString::fromLatin1(h + 115, static_cast<int>(strnlen(h + 115, 8))));
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
    const std::string path =
        JoinPath(S(folderEdit_->text()), S(fileList_->item(row, kColName)->text()));
    std::ifstream file(path, std::ios::binary);
    if (!file) return;
    char h[kStaticHeaderSize] = {};
    file.read(h, sizeof h);
    if (file.gcount() != kStaticHeaderSize) return;
    if (std::memcmp(h, "QVT-G", 5) != 0) {
        showMessage(QMessageBox::NoIcon, tr("No file header, can't edit antenna height"));
        return;
    }
    file.close();
    CSetAnteHeightDlg editor(path, fileList_->item(row, kColStart)->text(),
                             fileList_->item(row, kColStop)->text(), this);
    if (!runEditor(editor)) return;
    const int toPhaseCenter = phaseCenter_->isChecked() ? 1 : 0;
    const double height = editor.storedHeight(toPhaseCenter);
    char text[64];
    std::snprintf(text, sizeof text, "%.3fm", height);
    fileList_->item(row, kColHeight)->setText(QString::fromLatin1(text));
    renameAfterEdit(row, path, editor.pointName());
}

void CTollmereDlg::renameAfterEdit(int, const std::string& path, const std::string& pointName) {
    std::string newPath;
    const RenameOutcome outcome = RenameToPointName(library_, path, pointName, newPath);
    if (outcome == RenameOutcome::TargetExists)
        showMessage(QMessageBox::Warning, tr("A file named %1 already exists; %2 keeps its name.")
                                              .arg(Q(FileNameOf(newPath)), Q(FileNameOf(path))));
    if (!folderEdit_->text().isEmpty()) scanFolder();
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
