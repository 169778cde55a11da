// tollmere: lists the raw static files of a folder, converts the checked ones to RINEX and
// edits their antenna heights.
#include <QApplication>
#include <QLineEdit>
#include <QTranslator>

#include "language.h"
#include "tollmere_dlg.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTranslator translator;
    tollmere::InstallTranslation(translator, QLocale::system());
    tollmere::CTollmereDlg dialog;
    if (argc > 1) {  // a folder to list at start
        dialog.folderEdit()->setText(QString::fromLocal8Bit(argv[1]));
        dialog.scanFolder();
    }
    dialog.show();
    return app.exec();
}
