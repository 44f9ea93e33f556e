#include "core/i18n/translation.h"

#include "core/platform/inifile.h"
#include "core/platform/programfolder.h"

#include <QFile>

namespace {
QString &languageFilePath() {
    static QString path;
    return path;
}
QString &messageLanguageValue() {
    static QString language = QStringLiteral("NL");
    return language;
}
} // namespace

namespace Translation {

QString languageFile() {
    if (languageFilePath().isEmpty())
        languageFilePath() = ProgramFolder::sharedFile(QStringLiteral("korvello.lng"));
    return languageFilePath();
}

void setLanguageFile(const QString &path) {
    languageFilePath() = path;
}

QString lookup(const QString &key, const QString &language) {
    return IniFile(languageFile()).readString(language, key, QString());
}

void setMessageLanguage(const QString &language) {
    messageLanguageValue() = language;
}

QString message(const QString &key) {
    const QString text = lookup(key, messageLanguageValue());
    return text.isEmpty() ? key : text;
}

QString translatedCaption(const QString &key, const QString &language, const QString &current) {
    const QString path = languageFile();
    if (!QFile::exists(path))
        return current;
    QString text = IniFile(path).readString(language, key, current);
    const qsizetype marker = text.indexOf(QLatin1String("[ "));
    if (marker >= 0)
        text.replace(marker, 2, QLatin1String(" "));
    return text;
}

} // namespace Translation
