// tollmere: lists the raw static files of a folder, converts the checked ones to RINEX and
// edits their antenna heights.
//   tollmere [FOLDER] [--screenshot PNG]
//   tollmere --version
// FOLDER is listed at start; --screenshot saves a picture of the dialog and exits (used for
// the documentation).
#include <QApplication>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QPixmap>
#include <QTimer>
#include <QTranslator>

#include <cstdio>
#include <cstring>

#include "language.h"
#include "tollmere_dlg.h"
#include "tollmere_version.h"

int main(int argc, char** argv) {
    // Answered before Qt starts, so that it works without a display.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("tollmere %s\n", TOLLMERE_VERSION);
        return 0;
    }
    QApplication app(argc, argv);
    QTranslator translator, qtTranslator;
    tollmere::InstallTranslation(translator, QLocale::system());
    // Qt's own texts (the folder chooser) where the system has them in that language.
    if (qtTranslator.load(QStringLiteral("qtbase_") + tollmere::UiLanguage(QLocale::system()),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTranslator);
    tollmere::CTollmereDlg dialog;

    QString folder, screenshot;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--screenshot") && i + 1 < args.size())
            screenshot = args[++i];
        else
            folder = args[i];
    }
    if (!folder.isEmpty()) {
        dialog.folderEdit()->setText(folder);
        dialog.scanFolder();
    }
    dialog.show();
    if (!screenshot.isEmpty()) {
        QTimer::singleShot(300, &dialog, [&] {
            const bool saved = dialog.grab().save(screenshot, "PNG");
            app.exit(saved ? 0 : 1);
        });
    }
    return app.exec();
}
