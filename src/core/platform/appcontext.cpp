#include "core/platform/appcontext.h"

#include "core/i18n/translation.h"

AppContext::AppContext(QString programFolder) : m_programFolder(std::move(programFolder)) {}

IniFile AppContext::config() const {
    return IniFile(configPath());
}

QString AppContext::configPath() const {
    return m_programFolder + QStringLiteral("/Korvello.conf");
}

QString AppContext::logPath() const {
    return m_programFolder + QStringLiteral("/Korvello.log");
}

QString AppContext::countFolder(FolderDefaults defaults) const {
    const QString fallback =
        m_programFolder + (defaults == FolderDefaults::Files ? QStringLiteral("/Files/")
                                                             : QStringLiteral("/Fichiers/"));
    return withTrailingSeparator(
        config().readString(QStringLiteral("CONF"), QStringLiteral("EDITCHEMIN"), fallback));
}

QString AppContext::saveFolder(FolderDefaults defaults) const {
    const QString fallback =
        m_programFolder + (defaults == FolderDefaults::Files ? QStringLiteral("/Files/Save/")
                                                             : QStringLiteral("/Fichiers/Sauve/"));
    return withTrailingSeparator(
        config().readString(QStringLiteral("CONF"), QStringLiteral("EDITCHEMINSECU"), fallback));
}

QString AppContext::tr(const QString &key) const {
    return Translation::lookup(key, m_language);
}

void AppContext::setLanguage(const QString &language) {
    m_language = language;
    Translation::setMessageLanguage(language);
}

QString withTrailingSeparator(const QString &folder) {
    // An empty folder stays empty: names joined to it stay relative, as they always were.
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\')))
        return folder;
    return folder + QLatin1Char('/');
}

QString joinPath(const QString &folder, const QString &name) {
    return withTrailingSeparator(folder) + name;
}
