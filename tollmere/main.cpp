// tollmere: lists the raw static files of a folder, converts the checked ones to RINEX and
// edits their antenna heights.
#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QLineEdit>
#include <QPixmap>
#include <QTimer>
#include <QTranslator>
#include <cstdio>
#include <cstring>

#include "language.h"
#include "tollmere_dlg.h"
#include "tollmere_version.h"

namespace {

// The one place that names the program's version.
const char* const kVersionText = "tollmere " TOLLMERE_VERSION;

const char* const kHelpText =
    "Usage: tollmere [OPTION]... [FOLDER]\n"
    "Lists the raw static GNSS recordings of FOLDER (DAT, RAW, RT17, RT27, STH, ZHD, BIN),\n"
    "converts the checked ones to RINEX and edits their antenna heights.\n"
    "\n"
    "  --export           check every listed file and convert them at start\n"
    "  --screenshot PNG   save a picture of the window once it is idle, then quit\n"
    "  -h, --help         show this help and exit\n"
    "  --version          show the version and exit\n";

struct Arguments {
    QString folder, screenshot;
    bool exportAll = false;
};

// Reads the command line; returns an exit code when the program should stop here.
int ParseArguments(int argc, char** argv, Arguments& out) {
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (options && std::strcmp(a, "--") == 0) {
            options = false;
        } else if (options && (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0)) {
            std::fputs(kHelpText, stdout);
            return 0;
        } else if (options && std::strcmp(a, "--version") == 0) {
            std::printf("%s\n", kVersionText);
            return 0;
        } else if (options && std::strcmp(a, "--export") == 0) {
            out.exportAll = true;
        } else if (options && std::strcmp(a, "--screenshot") == 0 && i + 1 < argc) {
            out.screenshot = QString::fromLocal8Bit(argv[++i]);
        } else if (options && a[0] == '-' && a[1] != '\0') {
            std::fprintf(stderr, "tollmere: unknown option %s\nTry 'tollmere --help'.\n", a);
            return 2;
        } else if (out.folder.isEmpty()) {
            out.folder = QString::fromLocal8Bit(a);
        } else {
            std::fprintf(stderr, "tollmere: only one folder can be listed\n");
            return 2;
        }
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    // Help and version need no window system.
    Arguments args;
    if (const int code = ParseArguments(argc, argv, args); code >= 0) return code;

    QApplication app(argc, argv);
    app.setWindowIcon(QIcon(QStringLiteral(":/icons/tollmere.png")));
    QTranslator translator, qtTranslator;
    tollmere::InstallTranslation(translator, QLocale::system());
    // Qt's own texts (file and folder choosers, standard buttons) in the same language.
    tollmere::InstallQtTranslation(qtTranslator, QLocale::system());
    tollmere::CTollmereDlg dialog;
    dialog.setWindowIcon(app.windowIcon());

    auto whenIdle = [&] {
        if (args.screenshot.isEmpty()) return;
        // Let the last rows and bars paint first.
        QTimer::singleShot(300, &dialog, [&] {
            const bool saved = dialog.grab().save(args.screenshot, "PNG");
            app.exit(saved ? 0 : 1);
        });
    };
    QObject::connect(&dialog, &tollmere::CTollmereDlg::idle, &dialog, whenIdle);
    QObject::connect(&dialog, &tollmere::CTollmereDlg::listed, &dialog, [&](bool ok) {
        if (ok && args.exportAll && !dialog.converting()) {
            args.exportAll = false;
            dialog.onSelectAll();
            if (dialog.exportChecked()) return;
        }
        if (!dialog.converting()) whenIdle();
    });
    dialog.show();
    if (!args.folder.isEmpty()) {
        dialog.folderEdit()->setText(QFileInfo(args.folder).absoluteFilePath());
        dialog.scanFolder();
    } else {
        whenIdle();
    }
    return app.exec();
}
