#include "language.h"

#include <QCoreApplication>
#include <QTranslator>

namespace tollmere {

QString UiLanguage(const QLocale& locale) {
    switch (locale.language()) {
        case QLocale::Chinese:
            return QStringLiteral("zh_CN");
        case QLocale::Russian:
            return QStringLiteral("ru");
        default:
            return QStringLiteral("en");
    }
}

bool InstallTranslation(QTranslator& translator, const QLocale& locale) {
    if (!translator.load(QStringLiteral(":/i18n/tollmere_") + UiLanguage(locale))) return false;
    return QCoreApplication::installTranslator(&translator);
}

}  // namespace tollmere
