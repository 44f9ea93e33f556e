#include "core/settings/settings.h"

#include "core/data/datamodule.h"
#include "core/platform/appcontext.h"
#include "core/platform/errors.h"
#include "core/platform/resources.h"
#include "core/platform/textutil.h"
#include "core/upload/ftpclient.h"
#include "core/upload/sftpclient.h"

#include <QDir>
#include <QFile>

namespace Settings {

namespace {
const QString kConf = QStringLiteral("CONF");
const QString kFtp = QStringLiteral("FTP");

bool endsWithSeparator(const QString &path) {
    return path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\'));
}
} // namespace

void load(const AppContext &context, SettingsForm &form) {
    const QString files = context.programFolder() + QStringLiteral("/Files/");
    if (!QFile::exists(context.configPath())) {
        form.countFolder = files;
        form.saveFolder = files + QStringLiteral("Save/");
        form.validatedZonesOnly = false;
        form.serverCopy = false;
        form.serverShown = false;
        return;
    }
    const IniFile config = context.config();
    form.countFolder = config.readString(kConf, QStringLiteral("EDITCHEMIN"), files);
    form.validatedZonesOnly = config.readString(kConf, QStringLiteral("VIDAGE"),
                                                QStringLiteral("T")) == QLatin1String("V");
    form.saveFolder =
        config.readString(kConf, QStringLiteral("EDITCHEMINSECU"), files + QStringLiteral("Save/"));
    form.autoUpload = config.readString(kConf, QStringLiteral("TRANSAUTO"), QStringLiteral("T")) ==
                      QLatin1String("V");
    form.sshKey = TextUtil::trimmed(config.readString(kFtp, QStringLiteral("SSHKEY"), QString()));
    form.serverShown = config.readInteger(kConf, QStringLiteral("FTP_AVAILABLE"), 0) == 1 ||
                       !form.sshKey.isEmpty();
    form.host = config.readString(kFtp, QStringLiteral("HOST"), QString());
    form.login = config.readString(kFtp, QStringLiteral("LOGIN"), QString());
    form.password = config.readString(kFtp, QStringLiteral("MDP"), QString());
    form.directory = config.readString(kFtp, QStringLiteral("DIR"), QString());
    form.shopCode = config.readString(kConf, QStringLiteral("CODELIB"), QString());
    form.port = config.readInteger(kFtp, QStringLiteral("PORT"), 0);
    form.storeDatabase = config.readString(kConf, QStringLiteral("DBLIB"), QString());
    form.serverCopy = config.readInteger(kFtp, QStringLiteral("CHECK"), 0) == 1;
}

SettingsForm stored(const AppContext &context) {
    SettingsForm form;
    load(context, form);
    return form;
}

QString storedSaveFolder(const SettingsForm &form) {
    const QString save = form.saveFolder;
    if (save.isEmpty() || save == QLatin1String("\\") || save == QLatin1String("/"))
        return withTrailingSeparator(form.countFolder) + QStringLiteral("Save/");
    return withTrailingSeparator(save);
}

bool save(AppContext &context, SettingsForm &form) {
    if (form.countFolder.isEmpty())
        return false;
    if (!endsWithSeparator(form.countFolder))
        form.countFolder += QLatin1Char('/');
    const QString saveFolder = storedSaveFolder(form);
    IniFile config = context.config();
    config.writeString(kConf, QStringLiteral("EDITCHEMIN"), form.countFolder);
    config.writeString(kConf, QStringLiteral("VIDAGE"),
                       form.validatedZonesOnly ? QStringLiteral("V") : QStringLiteral("T"));
    config.writeString(kConf, QStringLiteral("EDITCHEMINSECU"), saveFolder);
    config.writeString(kConf, QStringLiteral("TRANSAUTO"),
                       form.autoUpload ? QStringLiteral("V") : QStringLiteral("T"));
    config.writeString(kConf, QStringLiteral("CODELIB"), form.shopCode);
    config.writeString(kConf, QStringLiteral("DBLIB"), form.storeDatabase);
    config.writeInteger(kFtp, QStringLiteral("CHECK"), form.serverCopy ? 1 : 0);
    config.writeInteger(kConf, QStringLiteral("FTP_AVAILABLE"), form.serverShown ? 1 : 0);
    // Unticked, the stored server settings stay as they are for the day it is ticked again.
    if (form.serverCopy) {
        config.writeString(kFtp, QStringLiteral("HOST"), form.host);
        config.writeString(kFtp, QStringLiteral("LOGIN"), form.login);
        config.writeString(kFtp, QStringLiteral("MDP"), form.password);
        config.writeString(kFtp, QStringLiteral("DIR"), form.directory);
        config.writeInteger(kFtp, QStringLiteral("PORT"), form.port);
        config.writeString(kFtp, QStringLiteral("SSHKEY"), form.sshKey);
    }
    config.writeString(kConf, QStringLiteral("PROGEXT"), QString());
    // One level each; a missing parent is the user's to fix, and no error here. The save
    // folder made is the one stored (a lone separator in the field names no folder).
    QDir().mkdir(form.countFolder);
    QDir().mkdir(saveFolder);
    return true;
}

CustomerDirectory::Lookup fetchFromDirectory(AppContext &context, DataModule &data,
                                             SettingsForm &form) {
    const CustomerDirectory::Deployment deployment = CustomerDirectory::deployment(context);
    const CustomerDirectory::Lookup lookup =
        CustomerDirectory::find(data, deployment.customerDatabase, form.shopCode);
    const CustomerDirectory::FtpInfo &ftp = lookup.ftp;
    form.storeDatabase = lookup.storeDatabase;
    if (QFile::exists(context.configPath()) && !ftp.value(QStringLiteral("FTP_HOST")).isEmpty()) {
        context.config().writeInteger(kConf, QStringLiteral("FTP_AVAILABLE"), 1);
        form.serverShown = true;
    }
    const QString inventoryPath =
        form.storeDatabase.isEmpty() ? QString() : data.inventoryFolder(form.storeDatabase);
    const QString host = ftp.value(QStringLiteral("FTP_HOST"));
    form.host = host.isEmpty() ? CustomerDirectory::defaultHost(inventoryPath, deployment) : host;
    const QString directory = ftp.value(QStringLiteral("FTP_DIRECTORY"));
    form.directory =
        directory.isEmpty() ? CustomerDirectory::defaultDirectory(inventoryPath) : directory;
    if (!ftp.value(QStringLiteral("FTP_LOGIN")).isEmpty())
        form.login = ftp.value(QStringLiteral("FTP_LOGIN"));
    if (!ftp.value(QStringLiteral("FTP_PASSWORD")).isEmpty())
        form.password = ftp.value(QStringLiteral("FTP_PASSWORD"));
    form.port = ftp.value(QStringLiteral("FTP_PORT")).toInt(); // 0 when absent or no number
    form.sshKey = TextUtil::trimmed(ftp.value(QStringLiteral("FTP_SSHKEY")));
    return lookup;
}

ServerTest testServer(const SettingsForm &form) {
    ServerTest test;
    if (!form.sshKey.isEmpty()) {
        const QString keyFile = QStringLiteral("./") + form.sshKey;
        try {
            if (!QFile::exists(keyFile))
                Resources::extract(QStringLiteral("RSPPK"), keyFile);
            test.passed = Sftp::testConnection(form.host, TextUtil::trimmed(form.login),
                                               TextUtil::trimmed(form.password), form.sshKey,
                                               form.directory, form.port);
        } catch (const KorvelloError &) {
            test.passed = false;
        }
        test.text = test.passed ? QStringLiteral("SFTP SSH OK") : QStringLiteral("SFTP SSH ERROR");
        return test;
    }
    FtpClient ftp;
    ftp.setActiveMode(true);
    ftp.setServer(form.host, TextUtil::trimmed(form.login), TextUtil::trimmed(form.password));
    try {
        ftp.login();
    } catch (const KorvelloError &error) {
        test.text = error.message() + QStringLiteral("\r\nConnect error  host , id or password");
        return test;
    }
    try {
        ftp.changeDir(form.directory);
    } catch (const KorvelloError &error) {
        test.text = error.message() + QStringLiteral("\r\nChangedir error  directory ERROR");
        ftp.disconnect();
        return test;
    }
    test.passed = true;
    test.text = QStringLiteral("Connect OK");
    ftp.disconnect();
    return test;
}

} // namespace Settings
