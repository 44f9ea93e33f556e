#pragma once

#include "core/articles/customerdirectory.h"

#include <QString>

class AppContext;
class DataModule;

// What the settings window shows and holds, and what "korvello-cli fetch-settings" fills:
// the shop's folders, its code, its server and the dump option.
struct SettingsForm {
    QString countFolder;             // "CONF"/"EDITCHEMIN"
    QString saveFolder;              // "CONF"/"EDITCHEMINSECU"
    bool validatedZonesOnly = false; // "CONF"/"VIDAGE": "V" validated zones, else everything
    bool autoUpload = false;         // "CONF"/"TRANSAUTO"
    QString shopCode;                // "CONF"/"CODELIB"
    bool serverShown = false;        // the server settings offered at all: "CONF"/"FTP_AVAILABLE"
    bool serverCopy = false;         // " Copie sur FTP": "FTP"/"CHECK"
    QString host;                    // "FTP"/"HOST"
    QString login;                   // "FTP"/"LOGIN"
    QString password;                // "FTP"/"MDP"
    QString directory;               // "FTP"/"DIR"
    // Held, not shown: they come from the configuration file or from the customer directory.
    QString storeDatabase; // "CONF"/"DBLIB"
    int port = 0;          // "FTP"/"PORT"
    QString sshKey;        // "FTP"/"SSHKEY", trimmed
};

namespace Settings {

// Fills the form from the configuration file. Without one, only the folders, the dump option
// and the server choice are set (to their defaults); the rest keeps what the form held.
void load(const AppContext &context, SettingsForm &form);

// Writes the form to the configuration file and creates both folders (one level each; a
// folder that cannot be made is no error). A count folder without a final separator gets one
// in the form too. An empty count folder writes nothing and creates nothing: false.
bool save(AppContext &context, SettingsForm &form);

// The save folder that save() stores for the form: the count folder's "Save" folder when the
// field is empty or only a separator.
QString storedSaveFolder(const SettingsForm &form);

// The shop's settings looked up in the customer directory under the form's shop code, put
// into the form: store database, host, directory, login, password, port and key name. When
// the directory names a host and a configuration file exists, "FTP_AVAILABLE" is written at
// once and the server settings are shown. The lookup is returned (its error says why the
// directory could not be asked).
CustomerDirectory::Lookup fetchFromDirectory(AppContext &context, DataModule &data,
                                             SettingsForm &form);

// The connection test of the form's server settings: SFTP when a key name is held (the key
// file is written into the current folder first when missing), else FTP in active mode.
struct ServerTest {
    bool passed = false;
    QString text; // what the user is shown
};
ServerTest testServer(const SettingsForm &form);

// The form as the configuration file holds it now (for commands working without a window).
SettingsForm stored(const AppContext &context);

} // namespace Settings
