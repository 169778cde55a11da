#include "antenna_dlg.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <initializer_list>

#include "static_file_head.h"

namespace tollmere {
namespace {

std::string S(const QString& text) {
    return text.toStdString();
}

int32_t ReadI32(const unsigned char* b) {
    int32_t v;
    std::memcpy(&v, b, 4);
    return v;
}

// Moves from to to unless to exists; atomic where the file system supports it.
RenameOutcome MoveNoReplace(const std::string& from, const std::string& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return RenameOutcome::Renamed;
    if (errno == EEXIST) return RenameOutcome::TargetExists;
    if (errno != EINVAL && errno != ENOSYS) return RenameOutcome::Failed;
    // No RENAME_NOREPLACE here: a hard link fails when the name exists.
    if (link(from.c_str(), to.c_str()) != 0)
        return errno == EEXIST ? RenameOutcome::TargetExists : RenameOutcome::Failed;
    unlink(from.c_str());
    return RenameOutcome::Renamed;
}

}  // namespace

QString MethodName(int method) {
    switch (method) {
        case 0:
            return CSetAnteHeightDlg::tr("Phase center");
        case 1:
            return CSetAnteHeightDlg::tr("Slant height");
        case 2:
            return CSetAnteHeightDlg::tr("Vertical height to edge");
        case 3:
            return CSetAnteHeightDlg::tr("Altimetry");
        case 4:
            return CSetAnteHeightDlg::tr("Vertical height to bottom");
        default:
            return {};
    }
}

int DayOfYear(int year, int month, int day) {
    static const int before[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    if (month < 1 || month > 12 || day < 1) return 0;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return before[month - 1] + day + (leap && month > 2 ? 1 : 0);
}

std::string ProposedPointName(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.size() < 4) name.append(4 - name.size(), '0');
    return name.substr(0, 4);
}

// The stem of a file name taken from file contents: path separators and control characters
// become '_', and so does a dot that leads, follows a dot or ends the stem, so that the name
// never leaves its folder, goes up or hides.
static std::string SafeStem(std::string stem) {
    for (size_t i = 0; i < stem.size(); ++i) {
        char& c = stem[i];
        const auto u = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || u < 0x20 || u == 0x7f) c = '_';
        if (c == '.' && (i == 0 || stem[i - 1] == '.' || i + 1 == stem.size())) c = '_';
    }
    return stem;
}

std::string EditedFileName(const std::string& path, const std::string& pointName, int dayOfYear) {
    std::string name = pointName;
    if (name.size() < 4) name.append(4 - name.size(), '0');
    char day[16];
    std::snprintf(day, sizeof day, "%03d", dayOfYear);
    name += day;
    const size_t dot = path.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name += static_cast<char>(std::toupper(static_cast<unsigned char>(path[dot - 1])));
    return SafeStem(name) + ".dat";
}

RenameOutcome RenameToPointName(const ConversionLibrary& library, const std::string& path,
                                const std::string& pointName, std::string& newPath) {
    int year = 0, month = 0, day = 0;
    if (library.GetStaticHead == nullptr ||
        library.GetStaticHead(path.c_str(), &year, &month, &day) == 0)
        return RenameOutcome::Unchanged;
    const size_t slash = path.find_last_of("/\\");
    const std::string folder =
        slash == std::string::npos ? std::string{} : path.substr(0, slash + 1);
    newPath = folder + EditedFileName(path, pointName, DayOfYear(year, month, day));
    if (newPath == path) return RenameOutcome::Unchanged;
    return MoveNoReplace(path, newPath);
}

CSetAnteHeightDlg::CSetAnteHeightDlg(const std::string& path, const QString& start,
                                     const QString& stop, QWidget* parent)
    : QDialog(parent), path_(path) {
    setWindowTitle(tr("Antenna height"));
    library_.bind();
    auto* form = new QFormLayout(this);
    auto readOnly = [] {
        auto* e = new QLineEdit;
        e->setReadOnly(true);
        return e;
    };
    start_ = readOnly();
    stop_ = readOnly();
    start_->setText(start);
    stop_->setText(stop);
    pointName_ = new QLineEdit;
    pointName_->setMaxLength(4);
    height_ = new QLineEdit;
    methods_ = new QComboBox;
    r_ = readOnly();
    h_ = readOnly();
    l1_ = readOnly();
    l2_ = readOnly();
    output_ = new QLineEdit;
    output_->setEnabled(false);
    // Every length is in metres; the unit stands beside its field.
    auto metres = [](std::initializer_list<QLineEdit*> edits) {
        auto* row = new QHBoxLayout;
        for (QLineEdit* e : edits) row->addWidget(e);
        row->addWidget(new QLabel(tr("m")));
        return row;
    };
    form->addRow(tr("Start time"), start_);
    form->addRow(tr("End time"), stop_);
    form->addRow(tr("Point name "), pointName_);
    form->addRow(tr("Antenna Measure Height"), metres({height_}));
    form->addRow(tr("Antenna Measure Mode"), methods_);
    form->addRow(tr("Antenna Param(R/H)"), metres({r_, h_}));
    form->addRow(tr("Antenna Param(L1/L2)"), metres({l1_, l2_}));
    form->addRow(tr("Output Antenna  Height"), metres({output_}));
    auto* buttons = new QDialogButtonBox;
    buttons->addButton(tr("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &CSetAnteHeightDlg::onOk);
    connect(buttons, &QDialogButtonBox::rejected, this, &CSetAnteHeightDlg::reject);
    loadHeader();
    connect(methods_, &QComboBox::currentIndexChanged, this, &CSetAnteHeightDlg::onMethodChanged);
    // The result follows the typed height as well.
    connect(height_, &QLineEdit::textChanged, this,
            [this] { onMethodChanged(methods_->currentIndex()); });
}

void CSetAnteHeightDlg::loadHeader() {
    unsigned char h[513] = {};
    const long got = ReadFilePrefix(path_, h, sizeof h);
    const bool magic = got >= 512 && std::memcmp(h, "QVT-G", 5) == 0;
    if (magic) {
        // Offered methods in alphabetical order of their names.
        QList<QPair<QString, int>> offered;
        for (int m = 0; m <= 4; ++m)
            if (h[201] & (1u << m)) offered.append({MethodName(m), m});
        std::sort(offered.begin(), offered.end(), [](const auto& a, const auto& b) {
            return QString::localeAwareCompare(a.first, b.first) < 0;
        });
        for (const auto& [name, m] : offered) methods_->addItem(name, m);
        r_->setText(QString::number(ReadI32(h + 147) * 0.0001, 'f', 4));
        h_->setText(QString::number(ReadI32(h + 151) * 0.0001, 'f', 4));
        l1_->setText(QString::number(ReadI32(h + 155) * 0.0001, 'f', 4));
        l2_->setText(QString::number(ReadI32(h + 159) * 0.0001, 'f', 4));
        int16_t mm;
        std::memcpy(&mm, h + 105, 2);
        measured_ = mm / 1000.0;
        height_->setText(QString::asprintf("%.4f", measured_));
        method_ = h[145];
        methods_->setCurrentIndex(methods_->findData(method_));
        pointName_->setText(QString::fromLatin1(reinterpret_cast<const char*>(h + 181),
                                                static_cast<int>(strnlen(
                                                    reinterpret_cast<const char*>(h + 181), 20)))
                                .left(4));
    }
    if (pointName_->text().isEmpty())
        pointName_->setText(QString::fromStdString(ProposedPointName(path_)));
    output_->setText(QString::asprintf("%.4f", outputHeight(method_, measured_, 1)));
}

double CSetAnteHeightDlg::outputHeight(int method, double measured, int toPhaseCenter) {
    if (library_.CorrectAntennaHgt == nullptr) return 0.0;
    return library_.CorrectAntennaHgt(path_.c_str(), method, measured, toPhaseCenter);
}

void CSetAnteHeightDlg::onMethodChanged(int index) {
    if (index >= 0) method_ = methods_->itemData(index).toInt();
    measured_ = height_->text().toDouble();
    output_->setText(QString::asprintf("%.4f", outputHeight(method_, measured_, 1)));
}

std::string CSetAnteHeightDlg::pointName() const {
    std::string name = S(pointName_->text());
    if (name.size() < 4) name.append(4 - name.size(), '0');
    return name;
}

double CSetAnteHeightDlg::storedHeight(int toPhaseCenter) {
    return outputHeight(method_, measured_, toPhaseCenter);
}

void CSetAnteHeightDlg::onOk() {
    measured_ = height_->text().toDouble();
    if (library_.ModifyAnteHeightInfo != nullptr)
        library_.ModifyAnteHeightInfo(path_.c_str(), S(pointName_->text()).c_str(), method_,
                                      measured_);
    accept();
}

}  // namespace tollmere
