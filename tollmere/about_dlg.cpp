#include "about_dlg.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "tollmere_version.h"

namespace tollmere {

QString BuildDateText() {
    // __DATE__ pads a one-digit day with a blank ("Dec  9 2026").
    return CAboutDlg::tr("Build Date:") + QString::fromLatin1(__DATE__).simplified();
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("About Tollmere"));
    auto* row = new QHBoxLayout(this);
    auto* icon = new QLabel;
    icon->setPixmap(windowIcon().isNull()
                        ? style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(32, 32)
                        : windowIcon().pixmap(32, 32));
    row->addWidget(icon, 0, Qt::AlignTop);
    auto* text = new QVBoxLayout;
    version_ = new QLabel(tr("Tollmere,Ver %1").arg(QStringLiteral(TOLLMERE_VERSION)));
    text->addWidget(version_);
    build_ = new QLabel(BuildDateText());
    text->addWidget(build_);
    auto* ok = new QPushButton(tr("OK"));
    ok->setDefault(true);
    text->addWidget(ok, 0, Qt::AlignRight);
    row->addLayout(text);
    connect(ok, &QPushButton::clicked, this, &CAboutDlg::accept);
}

}  // namespace tollmere
