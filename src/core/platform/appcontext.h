#pragma once

#include "core/platform/inifile.h"

#include <QString>

enum class HandheldState { Undetermined, Connected, Disconnected };

// Readers of the count and save folders disagree on the default folder names; each passes
// the one it has always used.
enum class FolderDefaults {
    Files,    // program folder + "/Files/" and "/Files/Save/"
    Fichiers, // program folder + "/Fichiers/" and "/Fichiers/Sauve/"
};

// The program-wide values: owned by the main window (or by the command-line program) for
// the whole run and handed to whoever needs them.
class AppContext {
public:
    explicit AppContext(QString programFolder);

    // Folder of the executable (or the folder named by --home), without a trailing separator.
    const QString &programFolder() const { return m_programFolder; }

    // The configuration file; every call on it opens and closes the file.
    IniFile config() const;
    QString configPath() const;
    QString logPath() const;

    // "CONF"/"EDITCHEMIN" and "CONF"/"EDITCHEMINSECU", read afresh at each call, always
    // ending with a separator so that a file name can be appended.
    QString countFolder(FolderDefaults defaults) const;
    QString saveFolder(FolderDefaults defaults) const;

    // Text of one language-file key in the current language.
    QString tr(const QString &key) const;

    // Sets the current language, for this context's texts and for the messages of the layers
    // below it.
    void setLanguage(const QString &language);
    const QString &currentLanguage() const { return m_language; }
    QString toolsPrefix;
    HandheldState handheldState = HandheldState::Undetermined;
    QString dumpModeLabel;
    // The dump mode: "Numérique" selects the numeric dump, any other text the alphanumeric one.
    QString dumpMode;
    // Handhelds ready for use in the last detection; the tool refuses copies when there are
    // several, since its commands name no device.
    int readyHandhelds = 0;
    // Handhelds listed but not yet authorised for this workstation.
    int unauthorisedHandhelds = 0;
    QString uploadKeyName;

private:
    QString m_programFolder;
    QString m_language = QStringLiteral("NL");
};

// Appends a path separator unless the text already ends with one.
QString withTrailingSeparator(const QString &folder);
// Folder and name joined by exactly one separator, whether or not the folder ends with one
// (folders typed in the settings may lack it).
QString joinPath(const QString &folder, const QString &name);
