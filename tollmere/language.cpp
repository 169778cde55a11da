#include "language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
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

bool InstallQtTranslation(QTranslator& translator, const QLocale& locale) {
    const QString language = UiLanguage(locale);
    if (language == QLatin1String("en")) return false;  // Qt's texts are English already
    if (!translator.load(QStringLiteral("qtbase_") + language,
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    return QCoreApplication::installTranslator(&translator);
}

}  // namespace tollmere
