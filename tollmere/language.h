// The language of the program's texts.
#pragma once

#include <QLocale>
#include <QString>

class QCoreApplication;
class QTranslator;

namespace tollmere {

// "zh_CN" for Chinese, "ru" for Russian, "en" for any other language.
QString UiLanguage(const QLocale& locale);

// Loads the texts of the locale's language into translator and installs it.
bool InstallTranslation(QTranslator& translator, const QLocale& locale);

// Loads Qt's own texts (choosers, standard buttons) of the locale's language from the
// system's Qt translations and installs them; false when they are not installed.
bool InstallQtTranslation(QTranslator& translator, const QLocale& locale);

}  // namespace tollmere
