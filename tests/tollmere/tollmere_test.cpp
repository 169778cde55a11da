// The desktop program under the offscreen platform: controls and their option word, the folder
// scan, Export and its refusals, real conversions through the libraries found beside the test,
// the single-point step, the antenna-height editor and the three languages.
#include <sys/stat.h>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QTranslator>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <tuple>

#include "about_dlg.h"
#include "antenna_dlg.h"
#include "column_text.h"
#include "conversion.h"
#include "language.h"
#include "library_binding.h"
#include "static_file_head.h"
#include "support/static_file.h"
#include "support/temp_dir.h"
#include "tollmere_dlg.h"
#include "tollmere_version.h"

using namespace tollmere;
using testsupport::StaticHeaderFields;
using testsupport::TempDir;

namespace {

// The dialog with its message boxes, choosers and editor recorded instead of shown.
class TestDialog : public CTollmereDlg {
  public:
    QStringList messages;
    QString folderChoice;
    bool answerYes = true;
    std::function<bool(CSetAnteHeightDlg&)> editor;

    QStringList openedFolders;
    QString saveChoice;

  protected:
    void showMessage(QMessageBox::Icon, const QString& text) override { messages << text; }
    void openFolder(const QString& folder) override { openedFolders << folder; }
    QString chooseSaveFile(const QString&) override { return saveChoice; }
    bool askYesNo(const QString&) override { return answerYes; }
    QString chooseFolder(const QString&) override { return folderChoice; }
    bool runEditor(CSetAnteHeightDlg& dlg) override { return editor ? editor(dlg) : false; }
};

std::string ReadAll(const std::string& path) {
    return testsupport::ReadFile(path);
}

std::string SampleBytes() {
    return ReadAll(std::string(TOLLMERE_SAMPLES) + "/oemv_20091218.dat");
}

int RowOf(const CTollmereDlg& dlg, const QString& name) {
    for (int r = 0; r < dlg.fileList()->rowCount(); ++r)
        if (dlg.fileList()->item(r, kColName)->text() == name) return r;
    return -1;
}

QString Cell(const CTollmereDlg& dlg, const QString& name, int column) {
    const int row = RowOf(dlg, name);
    return row < 0 ? QString() : dlg.fileList()->item(row, column)->text();
}

void Check(CTollmereDlg& dlg, const QString& name) {
    dlg.fileList()->item(RowOf(dlg, name), kColName)->setCheckState(Qt::Checked);
}

std::vector<std::string> FilesEndingInO(const std::string& folder) {
    std::vector<std::string> found;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        const std::string p = e.path().string();
        if (p.back() == 'O' || p.back() == 'o') found.push_back(p);
    }
    return found;
}

// Lines of a text file other than those containing skip.
std::vector<std::string> LinesWithout(const std::string& path,
                                      const std::vector<std::string>& skip) {
    std::istringstream in(ReadAll(path));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        bool keep = true;
        for (const std::string& s : skip) keep = keep && line.find(s) == std::string::npos;
        if (keep) lines.push_back(line);
    }
    return lines;
}

// Lists the folder of the folder field and waits for the scan's end.
bool Scan(CTollmereDlg& dlg) {
    QSignalSpy listed(&dlg, &CTollmereDlg::listed);
    dlg.scanFolder();
    return listed.wait(60000) && listed.front().front().toBool();
}

// Presses "Path" and waits for the listing it starts.
bool PathAndWait(CTollmereDlg& dlg) {
    QSignalSpy listed(&dlg, &CTollmereDlg::listed);
    dlg.onPath();
    return listed.wait(60000);
}

// Runs Export and waits until the queue is done.
bool ExportAndWait(TestDialog& dlg, int timeoutMs = 120000) {
    QSignalSpy idle(&dlg, &CTollmereDlg::idle);
    if (!dlg.exportChecked()) return false;
    return idle.wait(timeoutMs);
}

}  // namespace

class TollmereTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { CurrentLibraryNames() = LibraryNames{}; }

    void defaultControlsGiveTheirWord() {
        TestDialog dlg;
        QCOMPARE(OptionWord(dlg.optionControls()), 16782911);
        QCOMPARE(dlg.statusLine()->text(), QStringLiteral("Status:"));
        QCOMPARE(dlg.progressBar()->value(), 0);
        QCOMPARE(dlg.versionList()->count(), 5);
        QCOMPARE(dlg.versionList()->currentText(), QStringLiteral("Rinex3.02"));
        QCOMPARE(dlg.intervalList()->count(), 12);
        QCOMPARE(dlg.intervalList()->itemText(1), QStringLiteral("10Hz"));
        QCOMPARE(dlg.intervalList()->itemText(11), QStringLiteral("60s"));
        QVERIFY(dlg.multiFreqButton()->isChecked() && !dlg.singleFreqButton()->isChecked());
        QVERIFY(dlg.samePathBox()->isChecked() && !dlg.singlePointBox()->isChecked());
        QCOMPARE(dlg.fileList()->columnWidth(kColName), 180);
        QCOMPARE(dlg.fileList()->horizontalHeaderItem(kColStart)->text(),
                 QStringLiteral("Start time "));
        QCOMPARE(dlg.fileList()->rowCount(), 0);
    }

    void optionWordFollowsControls() {
        TestDialog dlg;
        dlg.mixedBox()->setChecked(true);
        dlg.versionList()->setCurrentIndex(0);  // Rinex2.10
        QVERIFY(!dlg.mixedBox()->isEnabled());
        QCOMPARE(OptionWord(dlg.optionControls()) & 0x800, 0);
        dlg.versionList()->setCurrentIndex(2);  // Leica3.02
        QVERIFY(dlg.mixedBox()->isEnabled());
        QCOMPARE(OptionWord(dlg.optionControls()), (2 << 24) | 0x1E3F);
        dlg.versionList()->setCurrentIndex(3);  // Brevak2.10
        QVERIFY(!dlg.mixedBox()->isEnabled());
        dlg.singleFreqButton()->click();
        QVERIFY(!dlg.multiFreqButton()->isChecked());
        dlg.singlePointBox()->setChecked(true);
        dlg.systemBox(3)->setChecked(false);  // Galileo is bit 5
        dlg.systemBox(5)->setChecked(false);  // SBAS is bit 3
        dlg.intervalList()->setCurrentIndex(11);
        QCOMPARE(OptionWord(dlg.optionControls()),
                 (3 << 24) | (11 << 16) | 0x2000 | 0x1000 | 0x400 | 0x200 | 0x100 | 0x17);
    }

    void exportRefusals() {
        TempDir dir;
        testsupport::WriteStaticFile(dir.path(), "a.dat", StaticHeaderFields{}, "x");
        struct Case {
            const char* what;
            std::function<void(TestDialog&)> setup;
            QString message;
        };
        const Case cases[] = {
            {"empty path", [](TestDialog& d) { d.folderEdit()->clear(); },
             "Path is empty, please select first"},
            {"no system even without a checked file",
             [](TestDialog& d) {
                 for (int i = 0; i < 6; ++i) d.systemBox(i)->setChecked(false);
             },
             "Select Export Satellite System!"},
            {"no version", [](TestDialog& d) { d.versionList()->setCurrentIndex(-1); },
             "Select Version"},
            {"no checked file", [](TestDialog&) {}, "Please Select File"},
            {"chooser cancelled",
             [](TestDialog& d) {
                 Check(d, "a.dat");
                 d.samePathBox()->setChecked(false);
             },
             ""},
        };
        for (const Case& c : cases) {
            TestDialog dlg;
            dlg.folderEdit()->setText(QString::fromStdString(dir.path()));
            Scan(dlg);
            c.setup(dlg);
            QVERIFY2(!dlg.exportChecked(), c.what);
            QCOMPARE(dlg.messages, c.message.isEmpty() ? QStringList{} : QStringList{c.message});
            QVERIFY2(!dlg.converting() && dlg.exportButton()->isEnabled(), c.what);
        }
    }

    void folderScanListsRawFilesWithTheirColumns() {
        TempDir dir;
        StaticHeaderFields fields;
        fields.antennaHeightMm = 1500;
        fields.year = 2013, fields.month = 1, fields.day = 5;
        fields.startTime = "08:01:02", fields.stopTime = "09:30:00";
        testsupport::WriteStaticFile(dir.path(), "a.dat", fields, std::string(600, 'x'));
        dir.Write("B.Rt17", std::string(1024, 'y'));  // no header
        dir.Write("c.txt", "z");
        dir.Write("d", "z");
        std::filesystem::create_directory(dir.File("sub.dat"));
        fields.antennaHeightMm = -250;
        fields.startTime = "        ";
        testsupport::WriteStaticFile(dir.path(), "blank.STH", fields, "");
        dir.Write("short.raw", "QVT-GPS short");  // shorter than a header

        TestDialog dlg;
        dlg.folderEdit()->setText(QString::fromStdString(dir.path()));
        Scan(dlg);
        QStringList names;
        for (int r = 0; r < dlg.fileList()->rowCount(); ++r)
            names << dlg.fileList()->item(r, 0)->text();
        names.sort();
        QCOMPARE(names, (QStringList{"B.Rt17", "a.dat", "blank.STH", "short.raw"}));

        QCOMPARE(Cell(dlg, "a.dat", kColHeight), QStringLiteral("1.500 m"));
        QCOMPARE(Cell(dlg, "a.dat", kColSize), QStringLiteral("1.086 KB"));
        QCOMPARE(Cell(dlg, "a.dat", kColDate), QStringLiteral("2013-1-5"));
        QCOMPARE(Cell(dlg, "a.dat", kColStart), QStringLiteral("08:01:02"));
        QCOMPARE(Cell(dlg, "a.dat", kColStop), QStringLiteral("09:30:00"));
        QCOMPARE(Cell(dlg, "blank.STH", kColHeight), QStringLiteral("-0.250 m"));
        QCOMPARE(dlg.fileList()->item(RowOf(dlg, "a.dat"), 0)->checkState(), Qt::Unchecked);

        // Blank start: the file's creation time, without leading zeros.
        const QRegularExpression clock("^\\d{1,2}:\\d{1,2}:\\d{1,2}$");
        QVERIFY(clock.match(Cell(dlg, "blank.STH", kColStart)).hasMatch());
        QCOMPARE(Cell(dlg, "blank.STH", kColStop), QStringLiteral("09:30:00"));
        // No header, or too short for one: today's date, times of the clock or file system.
        const QDate today = QDate::currentDate();
        const QString date =
            QStringLiteral("%1-%2-%3").arg(today.year()).arg(today.month()).arg(today.day());
        for (const char* name : {"B.Rt17", "short.raw"}) {
            QCOMPARE(Cell(dlg, name, kColDate), date);
            QCOMPARE(Cell(dlg, name, kColHeight), QStringLiteral("0.000 m"));
            QVERIFY(clock.match(Cell(dlg, name, kColStart)).hasMatch());
            QVERIFY(clock.match(Cell(dlg, name, kColStop)).hasMatch());
        }
        QCOMPARE(Cell(dlg, "B.Rt17", kColSize), QStringLiteral("1024 B"));
        QCOMPARE(Cell(dlg, "short.raw", kColSize), QStringLiteral("13 B"));

        // A folder that cannot be listed leaves the list as it was.
        dlg.folderEdit()->setText(QString::fromStdString(dir.File("missing")));
        Scan(dlg);
        QCOMPARE(dlg.messages, QStringList{"Find File Failed!"});
        QCOMPARE(dlg.fileList()->rowCount(), 4);
    }

    void sizeAndNameRules() {
        const std::pair<int64_t, const char*> sizes[] = {{0, "0 B"},
                                                         {1024, "1024 B"},
                                                         {1025, "1.001 KB"},
                                                         {1048576, "1024.000 KB"},
                                                         {1048577, "1.000 MB"},
                                                         {5000000000LL, "4768.372 MB"}};
        for (const auto& [bytes, text] : sizes) QCOMPARE(SizeText(bytes), QString(text));
        QCOMPARE(HeightText(-0.25), QStringLiteral("-0.250 m"));
        const std::tuple<const char*, const char*, const char*> durations[] = {
            {"08:00:00", "09:30:05", "1:30:05"}, {"23:07:00", "23:07:45", "0:00:45"},
            {"23:30:00", "0:10:00", "0:40:00"},  // past midnight
            {"9:5:7", "9:5:7", "0:00:00"},       {"", "09:00:00", ""},
            {"25:00:00", "09:00:00", ""},        {"08:00", "09:00:00", ""}};
        for (const auto& [start, stop, text] : durations)
            QCOMPARE(DurationText(start, stop), QString(text));
        QCOMPARE(DisplayName("a\nb.dat"), QString::fromUtf8("a\u21B5b.dat"));
        QCOMPARE(DisplayName("\xc3\x9c"
                             "ber.dat"),
                 QString::fromUtf8("\u00DCber.dat"));
        QVERIFY(IsRawFileName("x.ZhD") && IsRawFileName("a.b.rt27") && IsRawFileName("y.bin"));
        QVERIFY(!IsRawFileName("dat") && !IsRawFileName("x.dat.txt") && !IsRawFileName("x.rt1"));
    }

    void pathButtonAsksBeforeRechoosing() {
        TempDir one, two;
        dirWrite(one, "a.dat");
        dirWrite(two, "b.dat");
        TestDialog dlg;
        dlg.folderChoice = QString::fromStdString(one.path());
        QVERIFY(PathAndWait(dlg));
        QCOMPARE(dlg.folderEdit()->text(), dlg.folderChoice);
        QCOMPARE(dlg.fileList()->rowCount(), 1);
        Check(dlg, "a.dat");
        dlg.answerYes = false;  // keep the folder, scan again (check marks gone)
        dlg.folderChoice = QString::fromStdString(two.path());
        QVERIFY(PathAndWait(dlg));
        QCOMPARE(dlg.folderEdit()->text(), QString::fromStdString(one.path()));
        QCOMPARE(dlg.fileList()->item(0, 0)->checkState(), Qt::Unchecked);
        dlg.answerYes = true;
        QVERIFY(PathAndWait(dlg));
        QCOMPARE(Cell(dlg, "b.dat", kColName), QStringLiteral("b.dat"));
    }

    void selectAllTwice() {
        TempDir dir;
        dirWrite(dir, "a.dat");
        dirWrite(dir, "b.dat");
        TestDialog dlg;
        dlg.folderEdit()->setText(QString::fromStdString(dir.path()));
        Scan(dlg);
        dlg.selectAllButton()->click();
        QCOMPARE(dlg.selectAllButton()->text(), QStringLiteral("SELECT NONE"));
        for (int r = 0; r < 2; ++r) QCOMPARE(dlg.fileList()->item(r, 0)->checkState(), Qt::Checked);
        dlg.selectAllButton()->click();
        QCOMPARE(dlg.selectAllButton()->text(), QStringLiteral("SELECT ALL"));
        for (int r = 0; r < 2; ++r)
            QCOMPARE(dlg.fileList()->item(r, 0)->checkState(), Qt::Unchecked);
    }

    void realConversionRefreshesRowAndReachesHundred() {
        TempDir dir;
        dir.Write("oemv_20091218.dat", SampleBytes());
        dir.Write("noheader.dat", std::string(4096, '\x55'));
        TestDialog dlg;
        dlg.folderEdit()->setText(QString::fromStdString(dir.path()));
        Scan(dlg);
        dlg.versionList()->setCurrentIndex(0);  // Rinex2.10: "Mixed V3.02" disabled until the end
        Check(dlg, "noheader.dat");
        Check(dlg, "oemv_20091218.dat");
        const int row = RowOf(dlg, "oemv_20091218.dat");
        const QString date = dlg.fileList()->item(row, kColDate)->text();
        dlg.fileList()->item(row, kColDate)->setText("stale");
        int maxProgress = -1;
        connect(dlg.progressBar(), &QProgressBar::valueChanged, this,
                [&](int v) { maxProgress = std::max(maxProgress, v); });

        QSignalSpy idle(&dlg, &CTollmereDlg::idle);
        QVERIFY(dlg.exportChecked());
        QVERIFY(!dlg.exportButton()->isEnabled() && !dlg.pathButton()->isEnabled() &&
                !dlg.systemBox(0)->isEnabled() && !dlg.versionList()->isEnabled());
        QVERIFY(dlg.exitButton()->isEnabled() && dlg.fileList()->isEnabled());
        QVERIFY(idle.wait(120000));

        QCOMPARE(maxProgress, 100);
        QCOMPARE(dlg.statusLine()->text(),
                 QStringLiteral("Complete: 1 converted, 1 failed, 0 skipped"));
        QCOMPARE(dlg.fileList()->item(row, kColDate)->text(), date);
        QCOMPARE(dlg.fileList()->item(row, kColStart)->text(), QStringLiteral("23:07:00"));
        // The file without a header failed with the library's reason, in its row and the log,
        // without a box that holds up the queue.
        QVERIFY(dlg.messages.isEmpty());
        QCOMPARE(dlg.resultOf("noheader.dat")->state, RowResult::State::Failed);
        QVERIFY(Cell(dlg, "noheader.dat", kColResult).startsWith("failed: Not a static file"));
        QVERIFY(dlg.logView()->toPlainText().contains("noheader.dat: Convert to Rinex Error: "));
        QVERIFY(std::filesystem::exists(dir.File("oemv_20091218.09O")));
        QVERIFY(std::filesystem::exists(dir.File("oemv_20091218.09N")));
        QVERIFY(dlg.mixedBox()->isEnabled() && dlg.exportButton()->isEnabled() &&
                dlg.systemBox(5)->isEnabled());
    }

    void exitWhileConvertingNeverLeavesPartialFiles() {
        TempDir dir;
        dir.Write("a.dat", SampleBytes());
        dir.Write("b.dat", SampleBytes());
        TestDialog dlg;
        dlg.folderEdit()->setText(QString::fromStdString(dir.path()));
        Scan(dlg);
        dlg.selectAllButton()->click();
        QVERIFY(dlg.exportChecked());
        dlg.exitButton()->click();  // waits for the running file; the queue is dropped
        QVERIFY(!dlg.isVisible());
        // At most the file that was running was converted, completely; nothing half-written.
        QVERIFY(FilesEndingInO(dir.path()).size() <= 1);
        for (const auto& e : std::filesystem::directory_iterator(dir.path()))
            QVERIFY(e.path().filename().string().find(".part") == std::string::npos);
        QCoreApplication::processEvents();
    }

    void singlePointStepWritesTheCoordinate() {
        TempDir in, plain, located;
        in.Write("oemv_20091218.dat", SampleBytes());
        TestDialog dlg;
        dlg.folderEdit()->setText(QString::fromStdString(in.path()));
        Scan(dlg);
        dlg.samePathBox()->setChecked(false);
        Check(dlg, "oemv_20091218.dat");
        dlg.folderChoice = QString::fromStdString(plain.path());
        QVERIFY(ExportAndWait(dlg));
        const std::string before = plain.File("oemv_20091218.09O");
        // Older observation files whose names contain the new file's base: whatever order the
        // folder lists them in, none of them gets the new coordinate.
        const std::string decoy = ReadAll(before);
        for (int i = 0; i < 20; ++i)
            located.Write("oemv_20091218" + std::to_string(i) + ".09o", decoy);
        dlg.singlePointBox()->setChecked(true);
        dlg.folderChoice = QString::fromStdString(located.path());
        QVERIFY(ExportAndWait(dlg));
        QVERIFY(dlg.messages.isEmpty());

        const std::string after = located.File("oemv_20091218.09O");
        // Only the coordinate line (and the run date) differ; the file keeps its length.
        QCOMPARE(ReadAll(after).size(), ReadAll(before).size());
        const std::vector<std::string> skip = {"APPROX POSITION XYZ", "PGM / RUN BY / DATE"};
        QVERIFY(LinesWithout(after, skip) == LinesWithout(before, skip));
        std::istringstream lines(ReadAll(after));
        std::string line;
        while (std::getline(lines, line) && line.find("APPROX POSITION XYZ") == std::string::npos) {
        }
        QCOMPARE(line.size(), size_t{80});
        double xyz[3];
        QCOMPARE(std::sscanf(line.c_str(), "%lf %lf %lf", &xyz[0], &xyz[1], &xyz[2]), 3);
        // The library's own answer for the same file.
        PositioningLibrary baldorn;
        QVERIFY(baldorn.bind() && baldorn.SinglePosition != nullptr);
        double expected[3] = {0, 0, 0};
        QVERIFY(baldorn.SinglePosition(before.c_str(), expected, nullptr) != 0);
        for (int i = 0; i < 3; ++i) QVERIFY(std::fabs(xyz[i] - expected[i]) < 0.001);
        // The header's own value is gone; the older files are as they were.
        QVERIFY(line.find(" -3869297.0463") == std::string::npos);
        for (int i = 0; i < 20; ++i)
            QVERIFY(ReadAll(located.File("oemv_20091218" + std::to_string(i) + ".09o")) == decoy);
    }

    void missingLibraryOrExportFailsEachFile() {
        TempDir dir;
        dir.Write("oemv_20091218.dat", SampleBytes());
        dir.Write("second.dat", SampleBytes());
        const std::pair<std::string, QString> cases[] = {
            {"libtollmere-missing.so", "libtollmere-missing.so"},
            {"libbaldorn.so", "ParseDataToRinexFormat"}};
        for (const auto& [library, named] : cases) {
            CurrentLibraryNames().conversion = library;
            TestDialog dlg;
            dlg.folderEdit()->setText(QString::fromStdString(dir.path()));
            Scan(dlg);
            dlg.selectAllButton()->click();
            QVERIFY(ExportAndWait(dlg));
            QVERIFY(dlg.messages.isEmpty());
            for (const char* name : {"oemv_20091218.dat", "second.dat"}) {
                const RowResult* result = dlg.resultOf(name);
                QVERIFY(result && result->state == RowResult::State::Failed);
                QVERIFY2(result->reason.contains(named), qPrintable(result->reason));
            }
            QVERIFY(FilesEndingInO(dir.path()).empty());
        }
    }

    void unwritableOutputFolderFails() {
        TempDir dir;
        dir.Write("oemv_20091218.dat", SampleBytes());
        TestDialog dlg;
        dlg.folderEdit()->setText(QString::fromStdString(dir.path()));
        Scan(dlg);
        dlg.samePathBox()->setChecked(false);
        dlg.folderChoice = QString::fromStdString(dir.File("no/such/folder"));
        Check(dlg, "oemv_20091218.dat");
        QVERIFY(ExportAndWait(dlg));
        QVERIFY(dlg.messages.isEmpty());
        QVERIFY2(Cell(dlg, "oemv_20091218.dat", kColResult)
                     .startsWith("failed: An output file could not be written completely."),
                 qPrintable(Cell(dlg, "oemv_20091218.dat", kColResult)));
        QVERIFY(FilesEndingInO(dir.path()).empty());
    }

    void observationFileAndApproxPosition() {
        TempDir dir;
        const std::string header =
            std::string(60, ' ') + "RINEX VERSION / TYPE\n" +
            "     1000.0000     2000.0000     3000.0000                  APPROX POSITION XYZ \n" +
            std::string(60, ' ') + "END OF HEADER       \n" +
            " 09 12 18 23  7  0.0000000  0  1G01\n";
        QCOMPARE(header.find("APPROX"), size_t{81 + 60});
        dir.Write("site.13o", header);
        dir.Write("site.13n", "nav");
        std::string base = dir.File("site");
        QVERIFY(FindObservationFile(base));
        QCOMPARE(base, dir.File("site.13o"));
        base = dir.File("other");
        QVERIFY(!FindObservationFile(base));
        QCOMPARE(ObservationBase("/raw/ab120010.DAT", "/out"), std::string("/out/ab120010"));
        QCOMPARE(ObservationBase("ab.DAT", "/out"), std::string());

        const double xyz[3] = {-3869297.123456, 3436571.5, 3717369.25};
        QVERIFY(WriteApproxPosition(dir.File("site.13o"), xyz));
        const std::string written = ReadAll(dir.File("site.13o"));
        QCOMPARE(written.size(), header.size());
        QCOMPARE(written.substr(81, 81), std::string(" -3869297.1235  3436571.5000  3717369.2500   "
                                                     "               APPROX POSITION XYZ \n"));
        QCOMPARE(written.substr(0, 81), header.substr(0, 81));
        QCOMPARE(written.substr(162), header.substr(162));

        // Refused: not an observation name, no end of header, a line that would not fit.
        dir.Write("x.13n", header);
        QVERIFY(!WriteApproxPosition(dir.File("x.13n"), xyz));
        dir.Write("y.13o", header.substr(0, 162));
        QVERIFY(!WriteApproxPosition(dir.File("y.13o"), xyz));
        const std::string shortLine =
            "1 2 3 APPROX POSITION XYZ\n" + std::string(60, ' ') + "END OF HEADER       \n";
        dir.Write("z.13o", shortLine);
        QVERIFY(!WriteApproxPosition(dir.File("z.13o"), xyz));
        QCOMPARE(ReadAll(dir.File("z.13o")), shortLine);
    }

    void editorOkWritesRenamesAndShowsHeight() {
        TempDir dir;
        StaticHeaderFields f;
        f.formatCode = 1099;
        f.measureMethod = 2;
        f.antennaHeightMm = 1200;
        f.edgeHeight = 500;  // H = 0.05 m
        f.l1Offset = 700;    // L1 = 0.07 m
        f.year = 2013, f.month = 1, f.day = 5;
        f.pointName = "";
        testsupport::WriteStaticFile(dir.path(), "site0011.RT17", f, std::string(100, 'd'));
        TestDialog dlg;
        dlg.phaseCenterBox()->setChecked(false);
        dlg.folderEdit()->setText(QString::fromStdString(dir.path()));
        Scan(dlg);
        QString shownOutput, proposed;
        double bottomHeight = 0.0;
        dlg.editor = [&](CSetAnteHeightDlg& e) {
            shownOutput = e.outputHeightEdit()->text();
            proposed = e.pointNameEdit()->text();
            e.pointNameEdit()->setText("ROOF");
            e.onOk();
            bottomHeight =
                e.storedHeight(0);  // what the row shows as "%.3fm" with "Phase Center" off
            return e.result() == QDialog::Accepted;
        };
        dlg.fileList()->selectRow(0);
        QSignalSpy listed(&dlg, &CTollmereDlg::listed);
        dlg.editRow(0);
        QVERIFY(listed.wait(60000));  // the folder is listed again after the rename
        QCOMPARE(proposed, QStringLiteral("site"));
        QCOMPARE(shownOutput.toDouble(), 1.22);
        QVERIFY(std::fabs(bottomHeight - 1.15) < 1e-9);
        QVERIFY(!std::filesystem::exists(dir.File("site0011.RT17")));
        QVERIFY(std::filesystem::exists(dir.File("ROOF0051.dat")));
        const std::string header = ReadAll(dir.File("ROOF0051.dat"));
        QCOMPARE(header.substr(181, 5), std::string("ROOF\0", 5));
        QCOMPARE(dlg.fileList()->rowCount(), 1);
        QCOMPARE(Cell(dlg, "ROOF0051.dat", kColHeight), QStringLiteral("1.200 m"));

        // A rename onto an existing recording is refused: both files stay as they were named.
        dlg.messages.clear();
        const std::string other = "another recording";
        f.pointName = "ROOF";
        f.year = 2013, f.month = 1, f.day = 5;
        testsupport::WriteStaticFile(dir.path(), "roof.x.dat", f, "");  // would become ROOF005X.dat
        dir.Write("ROOF005X.dat", other);
        Scan(dlg);
        dlg.editor = [&](CSetAnteHeightDlg& e) {
            e.onOk();
            return true;
        };
        dlg.editRow(RowOf(dlg, "roof.x.dat"));
        QCOMPARE(dlg.messages.size(), 1);
        QVERIFY(dlg.messages[0].contains("ROOF005X.dat"));
        QVERIFY(std::filesystem::exists(dir.File("roof.x.dat")));
        QCOMPARE(ReadAll(dir.File("ROOF005X.dat")), other);
    }

    void editorRefusalsAndCalendar() {
        TempDir dir;
        dir.Write("nohead.dat", std::string(600, 'n'));
        dir.Write("short.dat", "QVT-GPS ");
        TestDialog dlg;
        bool opened = false;
        dlg.editor = [&](CSetAnteHeightDlg&) { return opened = true; };
        dlg.folderEdit()->setText(QString::fromStdString(dir.path()));
        Scan(dlg);
        dlg.editRow(RowOf(dlg, "short.dat"));
        QVERIFY(dlg.messages.isEmpty());
        dlg.editRow(RowOf(dlg, "nohead.dat"));
        QCOMPARE(dlg.messages, QStringList{"No file header, can't edit antenna height"});
        dlg.fileList()->clearSelection();
        dlg.editRow(-1);
        QCOMPARE(dlg.messages.last(), QStringLiteral("Please Select File"));
        QVERIFY(!opened);

        QCOMPARE(DayOfYear(2012, 3, 1), 61);
        QCOMPARE(DayOfYear(2013, 3, 1), 60);
        QCOMPARE(DayOfYear(2000, 12, 31), 366);
        QCOMPARE(DayOfYear(1900, 3, 1), 60);
        QCOMPARE(ProposedPointName("/d/ab.dat"), std::string("ab.d"));
        QCOMPARE(ProposedPointName("/d/x.dat"), std::string("x.da"));
        QCOMPARE(ProposedPointName("/d/x"), std::string("x000"));
        QCOMPARE(EditedFileName("/d/site0011.RT17", "ROOF", 5), std::string("ROOF0051.dat"));
        QCOMPARE(EditedFileName("/d/site", "", 60), std::string("0000060.dat"));
        QCOMPARE(EditedFileName("/d/a.dat", "../x", 5), std::string("_._x005A.dat"));
        QCOMPARE(EditedFileName("/d/a.dat", "/tmp", 5), std::string("_tmp005A.dat"));
        QCOMPARE(EditedFileName("/d/a.dat", "a\nb", 5), std::string("a_b0005A.dat"));
        QCOMPARE(EditedFileName("/d/.dat", ".ROOF", 5), std::string("_ROOF005_.dat"));
    }

    void editorMethodList() {
        TempDir dir;
        StaticHeaderFields f;
        f.methodMask = 0x12;
        f.measureMethod = 4;
        testsupport::WriteStaticFile(dir.path(), "m.dat", f, "");
        CSetAnteHeightDlg editor(dir.File("m.dat"), "1:2:3", "4:5:6");
        QCOMPARE(editor.methodList()->count(), 2);
        QCOMPARE(editor.methodList()->itemText(0), QStringLiteral("Slant height"));
        QCOMPARE(editor.methodList()->itemText(1), QStringLiteral("Vertical height to bottom"));
        QCOMPARE(editor.methodList()->currentIndex(), 1);
        QCOMPARE(editor.heightEdit()->text(), QStringLiteral("1.5000"));
        QCOMPARE(editor.pointNameEdit()->text(), QStringLiteral("ABCD"));
    }

    void aboutBoxShowsBuildDate() {
        CAboutDlg about;
        QVERIFY(QRegularExpression("^Build Date:[A-Z][a-z]{2} \\d{1,2} \\d{4}$")
                    .match(about.buildLine()->text())
                    .hasMatch());
        QCOMPARE(about.versionLine()->text(), QStringLiteral("Tollmere,Ver " TOLLMERE_VERSION));
        QCOMPARE(about.windowTitle(), QStringLiteral("About Tollmere"));
        TestDialog dlg;
        QCOMPARE(dlg.aboutButton()->text(), QStringLiteral("About Tollmere(&A)..."));
    }

    void languageFollowsLocale() {
        QCOMPARE(UiLanguage(QLocale(QLocale::Chinese, QLocale::China)), QStringLiteral("zh_CN"));
        QCOMPARE(UiLanguage(QLocale(QLocale::Chinese, QLocale::Taiwan)), QStringLiteral("zh_CN"));
        QCOMPARE(UiLanguage(QLocale(QLocale::Russian, QLocale::Russia)), QStringLiteral("ru"));
        QCOMPARE(UiLanguage(QLocale(QLocale::German, QLocale::Germany)), QStringLiteral("en"));
        QCOMPARE(UiLanguage(QLocale::c()), QStringLiteral("en"));
        struct Case {
            QLocale locale;
            QString exportText, result, size, height;
        };
        const Case cases[] = {
            {QLocale(QLocale::Russian), "Экспорт", "Результат", "2.000 КБ", "1.500 м"},
            {QLocale(QLocale::Chinese), "导出", "结果", "2.000 KB", "1.500 米"},
            {QLocale(QLocale::English), "Export", "Result", "2.000 KB", "1.500 m"}};
        for (const Case& c : cases) {
            QTranslator translator;
            QVERIFY(InstallTranslation(translator, c.locale));
            TestDialog dlg;
            QCOMPARE(dlg.exportButton()->text(), c.exportText);
            QCOMPARE(dlg.fileList()->horizontalHeaderItem(kColResult)->text(), c.result);
            QCOMPARE(SizeText(2048), c.size);
            QCOMPARE(HeightText(1.5), c.height);
            QCoreApplication::removeTranslator(&translator);
        }
    }

    // A day's field work: six recordings, two of them bad. The batch never stops, every row
    // says what happened, the log says it too and can be saved, the output folder opens.
    void batchWithTwoBadFilesGoesOn() {
        TempDir dir, out;
        const std::string sample = SampleBytes();
        const char* good[] = {"site1.dat", "site2.dat", "site3.dat", "site4.dat"};
        for (const char* name : good) dir.Write(name, sample);
        // A static header in front of bytes of no supported board format.
        dir.Write("unknownboard.dat", sample.substr(0, 512) + std::string(20000, '\0'));
        dir.Write("noheader.dat", std::string(4096, '\x55'));
        TestDialog dlg;
        dlg.folderEdit()->setText(QString::fromStdString(dir.path()));
        QVERIFY(Scan(dlg));
        QCOMPARE(dlg.fileList()->rowCount(), 6);
        QCOMPARE(Cell(dlg, "site1.dat", kColMethod), MethodName(sample[145]));
        QCOMPARE(Cell(dlg, "site1.dat", kColDuration), QStringLiteral("0:00:45"));
        QCOMPARE(Cell(dlg, "noheader.dat", kColDuration), QString());
        dlg.selectAllButton()->click();
        dlg.samePathBox()->setChecked(false);
        dlg.folderChoice = QString::fromStdString(out.path());
        QVERIFY(!dlg.openOutputButton()->isEnabled());
        int maxBatch = 0;
        QStringList batchFormats;
        connect(dlg.batchProgressBar(), &QProgressBar::valueChanged, this, [&](int v) {
            maxBatch = std::max(maxBatch, v);
            batchFormats << dlg.batchProgressBar()->format();
        });
        QVERIFY(ExportAndWait(dlg));

        QVERIFY(dlg.messages.isEmpty());
        for (const char* name : good) {
            const RowResult* result = dlg.resultOf(name);
            QVERIFY(result && result->state == RowResult::State::Converted);
            QCOMPARE(result->written.size(), size_t{3});
            for (const std::string& path : result->written)
                QVERIFY2(std::filesystem::exists(path), path.c_str());
            QCOMPARE(Cell(dlg, name, kColResult), QStringLiteral("converted, files written: 3"));
        }
        const std::string stem[] = {"site1", "site2", "site3", "site4"};
        for (const std::string& s : stem)
            QVERIFY(ReadAll(out.File(s + ".09O")).find("END OF HEADER") != std::string::npos);
        QCOMPARE(Cell(dlg, "unknownboard.dat", kColResult),
                 QStringLiteral("failed: Unknown format: no receiver data of a supported board "
                                "format behind the static header."));
        QCOMPARE(Cell(dlg, "noheader.dat", kColResult),
                 QStringLiteral("failed: Not a static file (no static header) and no receiver "
                                "data of a supported board format."));
        QCOMPARE(dlg.statusLine()->text(),
                 QStringLiteral("Complete: 4 converted, 2 failed, 0 skipped"));
        QCOMPARE(maxBatch, 600);
        QVERIFY(batchFormats.contains("File 6 of 6 (%p%)"));
        QCOMPARE(dlg.progressBar()->value(), 100);
        const QString log = dlg.logView()->toPlainText();
        QVERIFY(
            log.contains("site3.dat: converted, files written: site3.09O, site3.09N, site3.09G") ||
            log.contains("site3.dat: converted, files written: "));
        QVERIFY(log.contains("unknownboard.dat: Convert to Rinex Error: Unknown format"));
        QVERIFY(log.contains("Complete: 4 converted, 2 failed, 0 skipped"));
        // Nothing left half-written in the output folder.
        for (const auto& e : std::filesystem::directory_iterator(out.path()))
            QVERIFY(e.path().filename().string().find(".part") == std::string::npos);

        QVERIFY(dlg.openOutputButton()->isEnabled());
        dlg.openOutputButton()->click();
        QCOMPARE(dlg.openedFolders, QStringList{QString::fromStdString(out.path())});
        dlg.saveChoice = QString::fromStdString(out.File("day.log"));
        dlg.saveLogButton()->click();
        QCOMPARE(QString::fromStdString(ReadAll(out.File("day.log"))), log + "\n");
        dlg.saveChoice = QString::fromStdString(out.File("no/such/day.log"));
        dlg.saveLogButton()->click();
        QCOMPARE(dlg.messages.size(), 1);
        QVERIFY(dlg.messages[0].startsWith("The log could not be saved: "));
    }

    void cancelStopsAfterTheRunningFile() {
        TempDir dir;
        for (const char* name : {"a.dat", "b.dat", "c.dat"}) dir.Write(name, SampleBytes());
        TestDialog dlg;
        dlg.folderEdit()->setText(QString::fromStdString(dir.path()));
        QVERIFY(Scan(dlg));
        dlg.sortByColumn(kColName);
        dlg.selectAllButton()->click();
        QSignalSpy idle(&dlg, &CTollmereDlg::idle);
        QVERIFY(dlg.exportChecked());
        QVERIFY(dlg.cancelButton()->isEnabled() && !dlg.folderEdit()->isEnabled());
        dlg.cancelButton()->click();
        QVERIFY(idle.wait(120000));
        QCOMPARE(dlg.resultOf("a.dat")->state, RowResult::State::Converted);
        for (const char* name : {"b.dat", "c.dat"}) {
            QCOMPARE(dlg.resultOf(name)->state, RowResult::State::Skipped);
            QCOMPARE(Cell(dlg, name, kColResult), QStringLiteral("skipped (cancelled)"));
        }
        QCOMPARE(FilesEndingInO(dir.path()), std::vector<std::string>{dir.File("a.09O")});
        QCOMPARE(dlg.statusLine()->text(),
                 QStringLiteral("Complete: 1 converted, 0 failed, 2 skipped"));
        QVERIFY(!dlg.cancelButton()->isEnabled() && dlg.exportButton()->isEnabled());
    }

    // Pipes, empty and sparse files, odd names, folders named like recordings: the list is
    // built without blocking and each such file fails with its reason.
    void hostileFolderIsListedAndFailsWithReasons() {
        TempDir dir;
        const std::string fifo = dir.File("pipe.dat");
        QCOMPARE(mkfifo(fifo.c_str(), 0600), 0);
        dir.Write("empty.dat", "");
        const std::string sparse = dir.File("sparse.dat");
        { std::ofstream(sparse).put('x'); }
        std::filesystem::resize_file(sparse, 5LL << 30);
        const std::string odd = "new\nline \xc3\x9c \xff.dat";  // a line feed, UTF-8, no UTF-8
        dir.Write(odd, SampleBytes());
        std::filesystem::create_directory(dir.File("folder.dat"));
        dir.Write("vanishing.dat", SampleBytes());
        TestDialog dlg;
        dlg.folderEdit()->setText(QString::fromStdString(dir.path()));
        QVERIFY(Scan(dlg));
        QCOMPARE(dlg.fileList()->rowCount(), 5);
        std::filesystem::remove(dir.File("vanishing.dat"));  // gone between listing and Export
        int oddRow = -1, pipeRow = -1;
        for (int r = 0; r < 5; ++r) {
            if (dlg.rowFileName(r) == odd) oddRow = r;
            if (dlg.rowFileName(r) == "pipe.dat") pipeRow = r;
        }
        QVERIFY(oddRow >= 0 && pipeRow >= 0);
        QVERIFY(!dlg.fileList()->item(oddRow, kColName)->text().contains('\n'));
        QVERIFY(dlg.fileList()
                    ->item(pipeRow, kColResult)
                    ->text()
                    .startsWith("cannot be converted: Not a regular file"));
        QCOMPARE(Cell(dlg, "sparse.dat", kColSize), QStringLiteral("5120.000 MB"));
        dlg.selectAllButton()->click();
        QVERIFY(ExportAndWait(dlg));
        QCOMPARE(dlg.resultOf(odd)->state, RowResult::State::Converted);
        QCOMPARE(dlg.resultOf("pipe.dat")->reason,
                 QStringLiteral("Not a regular file (a pipe, device or folder); it was not read."));
        QCOMPARE(dlg.resultOf("empty.dat")->reason, QStringLiteral("The file is empty."));
        QCOMPARE(dlg.resultOf("vanishing.dat")->reason,
                 QStringLiteral("The file no longer exists."));
        QVERIFY(dlg.resultOf("sparse.dat")->reason.startsWith("Not a static file"));
        QVERIFY(std::filesystem::exists(dir.File("new\nline \xc3\x9c \xff.09O")));
        // The information window never opens the pipe either.
        QVERIFY(dlg.fileInformation(pipeRow).contains("Not a regular file"));
    }

    // Each way a file can be no recording gets its own reason, as the command line words it.
    void failureReasonsNameWhatIsWrong() {
        TempDir dir;
        const std::string sample = SampleBytes();
        StaticHeaderFields unknownCode;
        unknownCode.formatCode = 7;
        const std::pair<std::string, std::string> files[] = {
            {"truncated.dat", sample.substr(0, 100)},
            {"code.dat", testsupport::StaticHeaderBytes(unknownCode) + sample.substr(512)},
            {"headeronly.dat", sample.substr(0, 512)},
            {"board.dat", sample.substr(0, 512) + std::string(3000, '\x11')}};
        for (const auto& [name, bytes] : files) dir.Write(name, bytes);
        TestDialog dlg;
        dlg.folderEdit()->setText(QString::fromStdString(dir.path()));
        QVERIFY(Scan(dlg));
        dlg.selectAllButton()->click();
        QVERIFY(ExportAndWait(dlg));
        const std::pair<const char*, const char*> reasons[] = {
            {"truncated.dat", "The static header is truncated (100 of 512 bytes)."},
            {"code.dat",
             "Not a valid static file: unknown static header format code 7 (expected 0, 1000 or "
             "1099)."},
            {"headeronly.dat", "No receiver data after the static header."},
            {"board.dat",
             "Unknown format: no receiver data of a supported board format behind the static "
             "header."}};
        for (const auto& [name, reason] : reasons) {
            QVERIFY(dlg.resultOf(name) != nullptr);
            QCOMPARE(dlg.resultOf(name)->reason, QString(reason));
        }
    }

    void thousandsOfFilesAreListedOffTheWindowThread() {
        TempDir dir;
        const std::string header = testsupport::StaticHeaderBytes(StaticHeaderFields{});
        for (int i = 0; i < 3000; ++i) dir.Write("f" + std::to_string(i) + ".dat", header);
        TestDialog dlg;
        dlg.folderEdit()->setText(QString::fromStdString(dir.path()));
        QSignalSpy listed(&dlg, &CTollmereDlg::listed);
        dlg.scanFolder();
        QVERIFY(dlg.scanning());  // the call returned while the headers are still being read
        dlg.scanFolder();         // asked again meanwhile: listed once more, afterwards
        QVERIFY(listed.wait(60000));
        QCOMPARE(listed.size(), 1);
        QCOMPARE(dlg.fileList()->rowCount(), 3000);
        QCOMPARE(Cell(dlg, "f2999.dat", kColPoint), QStringLiteral("ABCD-3"));
        // A file that vanished after the folder was read is left out.
        QVERIFY(!ReadStaticFileHead(dir.File("gone.dat")));
    }

    void typedFolderSortingAndRowMenu() {
        TempDir dir;
        StaticHeaderFields f;
        f.antennaHeightMm = 2000;
        f.startTime = "10:00:00", f.stopTime = "10:30:00";
        testsupport::WriteStaticFile(dir.path(), "b.dat", f, std::string(5000, 'b'));
        f.antennaHeightMm = 900;
        f.startTime = "08:00:00", f.stopTime = "12:00:00";
        testsupport::WriteStaticFile(dir.path(), "a.dat", f, std::string(200, 'a'));
        f.antennaHeightMm = 10000;
        testsupport::WriteStaticFile(dir.path(), "c.dat", f, std::string(1000, 'c'));
        TestDialog dlg;
        dlg.answerYes = false;
        // Enter in the folder field lists it, without a question or a chooser.
        dlg.folderEdit()->setText(QString::fromStdString(dir.path()));
        QSignalSpy listed(&dlg, &CTollmereDlg::listed);
        QTest::keyClick(dlg.folderEdit(), Qt::Key_Return);
        QVERIFY(listed.wait(60000));
        QVERIFY(dlg.messages.isEmpty());
        QCOMPARE(dlg.fileList()->rowCount(), 3);
        QCOMPARE(Cell(dlg, "a.dat", kColPoint), QStringLiteral("ABCD-3"));
        QCOMPARE(Cell(dlg, "a.dat", kColDuration), QStringLiteral("4:00:00"));
        QCOMPARE(Cell(dlg, "a.dat", kColMethod), QStringLiteral("Slant height"));

        auto order = [&] {
            QStringList names;
            for (int r = 0; r < 3; ++r) names << dlg.fileList()->item(r, kColName)->text();
            return names;
        };
        // By value, not by text: 10.000 m after 2.000 m, 1.488 KB after 712 B.
        const std::pair<int, QStringList> sorts[] = {{kColHeight, {"a.dat", "b.dat", "c.dat"}},
                                                     {kColSize, {"a.dat", "c.dat", "b.dat"}},
                                                     {kColDuration, {"b.dat", "a.dat", "c.dat"}},
                                                     {kColName, {"a.dat", "b.dat", "c.dat"}}};
        for (const auto& [c, expected] : sorts) {
            dlg.sortByColumn(c);
            if (c == kColDuration)  // a and c tie on duration
                QCOMPARE(order().first(), QStringLiteral("b.dat"));
            else
                QCOMPARE(order(), expected);
        }
        dlg.sortByColumn(kColName);  // again: reversed
        QCOMPARE(order(), (QStringList{"c.dat", "b.dat", "a.dat"}));
        // A rescan keeps the order the user chose.
        QVERIFY(Scan(dlg));
        QCOMPARE(order(), (QStringList{"c.dat", "b.dat", "a.dat"}));

        // The row menu, with the entries other windows add.
        QString hookedPath;
        connect(&dlg, &CTollmereDlg::rowMenuAboutToShow, this, [&](QMenu* menu, const QString& p) {
            hookedPath = p;
            menu->addAction("Quality overview...");
        });
        const int row = RowOf(dlg, "b.dat");
        std::unique_ptr<QMenu> menu(dlg.buildRowMenu(row));
        QStringList names;
        for (QAction* a : menu->actions())
            if (!a->isSeparator()) names << a->text();
        QCOMPARE(names, (QStringList{"Edit antenna height...", "File information...",
                                     "Open containing folder", "Quality overview...",
                                     "About Tollmere(&A)..."}));
        QCOMPARE(hookedPath, QString::fromStdString(dir.File("b.dat")));
        menu->findChild<QAction*>("openFolder")->trigger();
        QCOMPARE(dlg.openedFolders, QStringList{QString::fromStdString(dir.path())});
        menu->findChild<QAction*>("fileInformation")->trigger();
        QCOMPARE(dlg.messages.size(), 1);
        const QString info = dlg.messages[0];
        QVERIFY2(info.startsWith("b.dat\nMarker name: ABCD\n"), qPrintable(info));
        QVERIFY2(info.contains("Antenna height: 2.0000 m measured, method 1 (Slant height)"),
                 qPrintable(info));
    }

    void editorTitleUnitsAndLiveResult() {
        TempDir dir;
        StaticHeaderFields f;
        f.formatCode = 1099;
        f.measureMethod = 2;
        f.antennaHeightMm = 1200;
        f.edgeHeight = 500;
        f.l1Offset = 700;
        testsupport::WriteStaticFile(dir.path(), "e.dat", f, std::string(10, 'd'));
        CSetAnteHeightDlg editor(dir.File("e.dat"), "1:2:3", "4:5:6");
        QCOMPARE(editor.windowTitle(), QStringLiteral("Antenna height"));
        QCOMPARE(editor.outputHeightEdit()->text().toDouble(), 1.22);
        int units = 0;
        for (QLabel* l : editor.findChildren<QLabel*>()) units += l->text() == "m";
        QCOMPARE(units, 4);  // measured, R/H, L1/L2, output
        // Typing the height recomputes the result at once.
        editor.heightEdit()->setText("1.5");
        QCOMPARE(editor.outputHeightEdit()->text().toDouble(), 1.52);
    }

    void qtOwnTextsFollowTheLanguage() {
        for (const auto& [locale, cancel] :
             {std::pair{QLocale(QLocale::Russian), QStringLiteral("Отмена")},
              std::pair{QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("取消")}}) {
            QTranslator translator;
            QVERIFY2(InstallQtTranslation(translator, locale),
                     "Qt's translations are missing (tools/install-deps.sh installs them)");
            QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), cancel);
            QCoreApplication::removeTranslator(&translator);
        }
        QTranslator english;
        QVERIFY(!InstallQtTranslation(english, QLocale(QLocale::English)));
    }

  private:
    static void dirWrite(TempDir& dir, const char* name) {
        testsupport::WriteStaticFile(dir.path(), name, StaticHeaderFields{}, "");
    }
};

QTEST_MAIN(TollmereTest)
#include "tollmere_test.moc"
