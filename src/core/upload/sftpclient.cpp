#include "core/upload/sftpclient.h"

#include "core/i18n/translation.h"
#include "core/platform/errors.h"
#include "core/platform/textutil.h"
#include "core/upload/puttykey.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <libssh/libssh.h>
#include <libssh/sftp.h>

#include <fcntl.h>
#include <sys/stat.h>

namespace Sftp {

namespace {

QString &knownHostsPath() {
    static QString path;
    return path;
}

enum class KeyLookup { AsGivenThenCurrentDir, CurrentDirOnly };

struct Settings {
    QString host;
    QString login;
    QString password;
    QString keyFile;
    QString passphrase;
    QString directory;
    int port = 0;
};

Settings settingsFor(const QString &host, const QString &login, const QString &password,
                     const QString &keyOrPassphrase, const QString &directory, int port,
                     KeyLookup lookup) {
    Settings s{host, login, password, {}, {}, directory, port};
    if (keyOrPassphrase.isEmpty())
        return s;
    const QString inCurrentDir = QStringLiteral("./") + keyOrPassphrase;
    if (lookup == KeyLookup::AsGivenThenCurrentDir && QFile::exists(keyOrPassphrase))
        s.keyFile = keyOrPassphrase;
    else if (QFile::exists(inCurrentDir))
        s.keyFile = inCurrentDir;
    else
        s.passphrase = keyOrPassphrase;
    return s;
}

// One SSH session with its SFTP channel, closed however the call ends.
class Session {
public:
    explicit Session(const Settings &s) : m_settings(s) {
        m_ssh = ssh_new();
        if (!m_ssh)
            throw KorvelloError(QStringLiteral("The SSH client cannot be created."));
    }
    ~Session() {
        if (m_sftp)
            sftp_free(m_sftp);
        if (m_key)
            ssh_key_free(m_key);
        ssh_disconnect(m_ssh);
        ssh_free(m_ssh);
    }
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    void open() {
        const QByteArray host = m_settings.host.toUtf8();
        ssh_options_set(m_ssh, SSH_OPTIONS_HOST, host.constData());
        if (!TextUtil::trimmed(m_settings.login).isEmpty()) {
            const QByteArray user = m_settings.login.toUtf8();
            ssh_options_set(m_ssh, SSH_OPTIONS_USER, user.constData());
        }
        if (m_settings.port != 0) {
            const int port = m_settings.port;
            ssh_options_set(m_ssh, SSH_OPTIONS_PORT, &port);
        }
        const long timeout = 30;
        ssh_options_set(m_ssh, SSH_OPTIONS_TIMEOUT, &timeout);
        const int noConfig = 0;
        ssh_options_set(m_ssh, SSH_OPTIONS_PROCESS_CONFIG, &noConfig);
        if (!knownHostsPath().isEmpty()) {
            // The SSH library expands "%" sequences in this path: a folder name holding "%"
            // must reach it as written.
            QString escaped = knownHostsPath();
            escaped.replace(QLatin1Char('%'), QStringLiteral("%%"));
            const QByteArray store = escaped.toUtf8();
            ssh_options_set(m_ssh, SSH_OPTIONS_KNOWNHOSTS, store.constData());
        }

        if (ssh_connect(m_ssh) != SSH_OK)
            fail(QStringLiteral("Cannot connect to %1").arg(m_settings.host));
        checkHostKey();
        authenticate();

        m_sftp = sftp_new(m_ssh);
        if (!m_sftp || sftp_init(m_sftp) != SSH_OK)
            fail(QStringLiteral("The server refuses SFTP"));
    }

    // Enters the directory: SFTP has no current directory, so the remote paths of the
    // session are made under it. A missing directory is made (one level).
    void enter(const QString &directory) {
        if (directory.isEmpty())
            return;
        const QByteArray path = directory.toUtf8();
        if (!isDirectory(path)) {
            if (sftp_mkdir(m_sftp, path.constData(), 0755) != SSH_OK || !isDirectory(path))
                sftpFail(QStringLiteral("Cannot enter or make the directory %1").arg(directory));
        }
        m_directory =
            directory.endsWith(QLatin1Char('/')) ? directory : directory + QLatin1Char('/');
    }

    void upload(const QString &localFile) {
        QFile local(localFile);
        if (!local.open(QIODevice::ReadOnly))
            throw KorvelloError(Translation::message(QStringLiteral("Err_Lecture"))
                                    .arg(localFile, local.errorString()));
        const QDateTime modified = QFileInfo(local).lastModified();
        const QByteArray remote = (m_directory + QFileInfo(localFile).fileName()).toUtf8();
        sftp_file file = sftp_open(m_sftp, remote.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (!file)
            sftpFail(
                QStringLiteral("Cannot create %1 on the server").arg(QString::fromUtf8(remote)));
        bool ok = true;
        while (ok && !local.atEnd()) {
            const QByteArray chunk = local.read(32768);
            ok = !chunk.isEmpty() &&
                 sftp_write(file, chunk.constData(), size_t(chunk.size())) == ssize_t(chunk.size());
        }
        ok = (sftp_close(file) == SSH_OK) && ok;
        if (!ok)
            sftpFail(QStringLiteral("Sending %1 failed").arg(localFile));
        timeval times[2];
        times[0].tv_sec = QDateTime::currentSecsSinceEpoch();
        times[0].tv_usec = 0;
        times[1].tv_sec = modified.toSecsSinceEpoch();
        times[1].tv_usec = 0;
        if (sftp_utimes(m_sftp, remote.constData(), times) != SSH_OK)
            sftpFail(QStringLiteral("Cannot set the time of %1").arg(QString::fromUtf8(remote)));
    }

private:
    [[noreturn]] void fail(const QString &what) {
        throw KorvelloError(what + QStringLiteral(": ") + QString::fromUtf8(ssh_get_error(m_ssh)));
    }
    [[noreturn]] void sftpFail(const QString &what) {
        throw KorvelloError(
            QStringLiteral("%1 (SFTP error %2)").arg(what).arg(sftp_get_error(m_sftp)));
    }

    bool isDirectory(const QByteArray &path) {
        sftp_attributes attributes = sftp_stat(m_sftp, path.constData());
        if (!attributes)
            return false;
        const bool directory = attributes->type == SSH_FILEXFER_TYPE_DIRECTORY;
        sftp_attributes_free(attributes);
        return directory;
    }

    // A host seen for the first time is remembered; a host whose key changed is refused,
    // since accepting it would hand the counts and the password to whoever sits between.
    void checkHostKey() {
        char *store = nullptr;
        ssh_options_get(m_ssh, SSH_OPTIONS_KNOWNHOSTS, &store);
        const QString storePath = store ? QString::fromUtf8(store) : QStringLiteral("known_hosts");
        ssh_string_free_char(store);
        switch (ssh_session_is_known_server(m_ssh)) {
        case SSH_KNOWN_HOSTS_OK:
            return;
        case SSH_KNOWN_HOSTS_NOT_FOUND:
        case SSH_KNOWN_HOSTS_UNKNOWN:
            if (ssh_session_update_known_hosts(m_ssh) != SSH_OK)
                fail(QStringLiteral("Cannot store the host key of %1 in %2")
                         .arg(m_settings.host, storePath));
            return;
        case SSH_KNOWN_HOSTS_CHANGED:
        case SSH_KNOWN_HOSTS_OTHER:
            throw KorvelloError(
                QStringLiteral("The server %1 presented a host key different from the one stored "
                               "in %2. Nothing was sent. If the server's key was really "
                               "changed, remove its line from that file.")
                    .arg(m_settings.host, storePath));
        case SSH_KNOWN_HOSTS_ERROR:
            break;
        }
        fail(QStringLiteral("Cannot check the host key of %1").arg(m_settings.host));
    }

    void authenticate() {
        QString keyProblem;
        int rc = SSH_AUTH_DENIED;
        if (!m_settings.keyFile.isEmpty()) {
            try {
                loadKey();
                rc = ssh_userauth_publickey(m_ssh, nullptr, m_key);
            } catch (const KorvelloError &error) {
                keyProblem = error.message(); // the password may still let us in
            }
        }
        // Only the key and password of the settings: the user's own keys or SSH agent could
        // let a wrong password through.
        if (rc != SSH_AUTH_SUCCESS && !TextUtil::trimmed(m_settings.password).isEmpty()) {
            const QByteArray password = m_settings.password.toUtf8();
            rc = ssh_userauth_password(m_ssh, nullptr, password.constData());
        }
        if (rc == SSH_AUTH_SUCCESS)
            return;
        QString message = QStringLiteral("Authentication refused by %1").arg(m_settings.host);
        if (!keyProblem.isEmpty())
            message += QStringLiteral(" (key: %1)").arg(keyProblem);
        fail(message);
    }

    void loadKey() {
        QFile file(m_settings.keyFile);
        if (!file.open(QIODevice::ReadOnly))
            throw KorvelloError(QStringLiteral("cannot read %1").arg(m_settings.keyFile));
        QByteArray content = file.readAll();
        // No passphrase is given for a key file: an encrypted key cannot be opened.
        if (PuttyKey::isPuttyKey(content))
            content = PuttyKey::toPem(content, QByteArray());
        if (ssh_pki_import_privkey_base64(content.constData(), nullptr, nullptr, nullptr, &m_key) !=
            SSH_OK)
            throw KorvelloError(
                QStringLiteral("%1 is not a usable private key").arg(m_settings.keyFile));
    }

    Settings m_settings;
    ssh_session m_ssh = nullptr;
    sftp_session m_sftp = nullptr;
    ssh_key m_key = nullptr;
    QString m_directory;
};

} // namespace

void setKnownHostsFile(const QString &path) {
    knownHostsPath() = path;
}

QString knownHostsFile() {
    return knownHostsPath();
}

bool sendFile(const QString &host, const QString &login, const QString &password,
              const QString &keyOrPassphrase, const QString &directory, int port,
              const QString &localFile, ErrorList *errors) {
    try {
        Session session(settingsFor(host, login, password, keyOrPassphrase, directory, port,
                                    KeyLookup::AsGivenThenCurrentDir));
        session.open();
        session.enter(directory);
        session.upload(localFile);
        return true;
    } catch (const KorvelloError &error) {
        if (errors)
            errors->insert(QStringLiteral("Error"), error.message());
    }
    return false;
}

bool testConnection(const QString &host, const QString &login, const QString &password,
                    const QString &keyOrPassphrase, const QString &directory, int port) {
    try {
        Session session(settingsFor(host, login, password, keyOrPassphrase, directory, port,
                                    KeyLookup::CurrentDirOnly));
        session.open();
        session.enter(directory);
        return true;
    } catch (const KorvelloError &) {
    }
    return false;
}

} // namespace Sftp
