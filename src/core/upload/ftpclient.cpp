#include "core/upload/ftpclient.h"

#include "core/i18n/translation.h"
#include "core/platform/errors.h"

#include <QDateTime>
#include <QFile>

#include <QUrl>
#include <cstring>

#include <curl/curl.h>

namespace {

struct CurlGlobal {
    CurlGlobal() { curl_global_init(CURL_GLOBAL_DEFAULT); }
    ~CurlGlobal() { curl_global_cleanup(); }
};

struct Source {
    QByteArray data;
    qsizetype position = 0;
};

size_t readFromSource(char *buffer, size_t size, size_t count, void *userdata) {
    auto *source = static_cast<Source *>(userdata);
    if (!source)
        return 0;
    const qsizetype n = qMin(qsizetype(size * count), source->data.size() - source->position);
    memcpy(buffer, source->data.constData() + source->position, size_t(n));
    source->position += n;
    return size_t(n);
}

size_t discard(char *, size_t size, size_t count, void *) {
    return size * count;
}

size_t collect(char *data, size_t size, size_t count, void *userdata) {
    static_cast<QByteArray *>(userdata)->append(data, qsizetype(size * count));
    return size * count;
}

// A path for an FTP address: each part percent-encoded, an absolute path marked by an
// encoded leading slash (ftp://host/%2Fin/ is "/in", ftp://host/in/ is "in").
QString encodePath(const QString &path) {
    QString result;
    QString rest = path;
    if (rest.startsWith(QLatin1Char('/'))) {
        result = QStringLiteral("%2F");
        rest.remove(0, 1);
    }
    const QStringList parts = rest.split(QLatin1Char('/'));
    QStringList encoded;
    for (const QString &part : parts)
        encoded << QString::fromLatin1(QUrl::toPercentEncoding(part));
    return result + encoded.join(QLatin1Char('/'));
}

} // namespace

int FtpClient::progress(void *self, curl_off_t, curl_off_t downloaded, curl_off_t,
                        curl_off_t uploaded) {
    auto *client = static_cast<FtpClient *>(self);
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    const qint64 moved = qint64(downloaded + uploaded);
    if (moved != client->m_lastBytes) {
        client->m_lastBytes = moved;
        client->m_lastMove = now;
        return 0;
    }
    return now - client->m_lastMove > kStallTimeoutSeconds ? 1 : 0;
}

FtpClient::FtpClient() : m_tlsVersion(CURL_SSLVERSION_TLSv1_0) {
    static CurlGlobal global;
}

FtpClient::~FtpClient() {
    disconnect();
}

void FtpClient::disconnect() {
    if (m_curl)
        curl_easy_cleanup(m_curl);
    m_curl = nullptr;
    // The connections live in the multi handle's cache.
    if (m_multi)
        curl_multi_cleanup(m_multi);
    m_multi = nullptr;
    m_directory.clear();
}

void FtpClient::setTls(int selector) {
    m_tls = selector > 0;
    switch (selector) {
    case 1:
        m_tlsVersion = CURL_SSLVERSION_TLSv1_0;
        break;
    case 11:
        m_tlsVersion = CURL_SSLVERSION_TLSv1_1;
        break;
    case 12:
        m_tlsVersion = CURL_SSLVERSION_TLSv1_2;
        break;
    default:
        break; // keeps the version set last
    }
}

void FtpClient::setServer(const QString &host, const QString &user, const QString &password) {
    m_host = host;
    m_user = user;
    m_password = password;
}

QString FtpClient::url(const QString &path) const {
    return QStringLiteral("ftp://%1/%2").arg(m_host, path);
}

void FtpClient::prepare(const QString &address) {
    if (!m_curl) {
        m_curl = curl_easy_init();
        if (!m_curl)
            throw KorvelloError(QStringLiteral("The FTP client cannot be created."));
    }
    CURL *c = m_curl;
    curl_easy_setopt(c, CURLOPT_NOBODY, 0L);
    curl_easy_setopt(c, CURLOPT_UPLOAD, 0L);
    curl_easy_setopt(c, CURLOPT_APPEND, 0L);
    curl_easy_setopt(c, CURLOPT_READFUNCTION, readFromSource);
    curl_easy_setopt(c, CURLOPT_READDATA, nullptr);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, m_error);
    curl_easy_setopt(c, CURLOPT_URL, address.toUtf8().constData());
    curl_easy_setopt(c, CURLOPT_PORT, 21L);
    curl_easy_setopt(c, CURLOPT_IPRESOLVE, long(CURL_IPRESOLVE_V4));
    curl_easy_setopt(c, CURLOPT_FTP_USE_EPSV, 0L); // plain passive mode
    curl_easy_setopt(c, CURLOPT_FTPPORT, m_active ? "-" : nullptr);
    curl_easy_setopt(c, CURLOPT_TRANSFERTEXT, 1L); // ASCII type
    curl_easy_setopt(c, CURLOPT_FTP_FILEMETHOD, long(CURLFTPMETHOD_SINGLECWD));
    curl_easy_setopt(c, CURLOPT_USERNAME, m_user.toUtf8().constData());
    curl_easy_setopt(c, CURLOPT_PASSWORD, m_password.toUtf8().constData());
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT, kStallTimeoutSeconds);
    // A data connection that stops moving is given up by the progress check below (curl's
    // own low-speed limit would add a one-second pause to every transfer).
    m_lastMove = QDateTime::currentSecsSinceEpoch();
    m_lastBytes = -1;
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &FtpClient::progress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, discard);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, nullptr);
    curl_easy_setopt(c, CURLOPT_RESUME_FROM_LARGE, curl_off_t(0));
    curl_easy_setopt(c, CURLOPT_USE_SSL, long(m_tls ? CURLUSESSL_ALL : CURLUSESSL_NONE));
    if (m_tls) {
        curl_easy_setopt(c, CURLOPT_FTPSSLAUTH, long(CURLFTPAUTH_TLS));
        curl_easy_setopt(c, CURLOPT_SSLVERSION, m_tlsVersion);
        curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 0L);
        curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 0L);
    }
    m_error[0] = '\0';
}

CURLcode FtpClient::run() {
    // Driven through a multi handle with short waits: a plain blocking transfer may sit out
    // a full second on a name lookup that finished long before (libcurl's threaded
    // resolver), once per data connection.
    if (!m_multi)
        m_multi = curl_multi_init();
    CURLcode code = CURLE_FAILED_INIT;
    if (m_multi && curl_multi_add_handle(m_multi, m_curl) == CURLM_OK) {
        int running = 1;
        while (running) {
            if (curl_multi_perform(m_multi, &running) != CURLM_OK)
                break;
            if (running)
                curl_multi_poll(m_multi, nullptr, 0, 10, nullptr);
        }
        int left = 0;
        while (CURLMsg *message = curl_multi_info_read(m_multi, &left))
            if (message->msg == CURLMSG_DONE && message->easy_handle == m_curl)
                code = message->data.result;
        curl_multi_remove_handle(m_multi, m_curl);
    }
    return code;
}

void FtpClient::perform(const char *what) {
    fail(run(), what);
}

void FtpClient::fail(CURLcode code, const char *what) {
    if (code == CURLE_OK)
        return;
    QString message = QString::fromUtf8(m_error).trimmed();
    if (message.isEmpty())
        message = QString::fromUtf8(curl_easy_strerror(code));
    // A failed session is not one to keep.
    disconnect();
    throw KorvelloError(QStringLiteral("%1 (%2)").arg(message, QString::fromLatin1(what)));
}

void FtpClient::login() {
    // Reaching the log-in directory without a transfer: connection, USER, PASS.
    prepare(url(QString()));
    curl_easy_setopt(m_curl, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(m_curl, CURLOPT_FTP_FILEMETHOD, long(CURLFTPMETHOD_NOCWD));
    perform("log-in");
    m_directory.clear();
}

void FtpClient::changeDir(const QString &directory) {
    if (directory.isEmpty()) {
        m_directory.clear();
        return;
    }
    QString path = encodePath(directory);
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    prepare(url(path));
    curl_easy_setopt(m_curl, CURLOPT_NOBODY, 1L);
    perform("change of directory");
    m_directory = path;
}

QString FtpClient::fileUrl(const QString &remoteName) const {
    return url(m_directory + QString::fromLatin1(QUrl::toPercentEncoding(remoteName)));
}

void FtpClient::append(const QString &localPath, const QString &remoteName) {
    QFile file(localPath);
    if (!file.open(QIODevice::ReadOnly))
        throw KorvelloError(
            Translation::message(QStringLiteral("Err_Lecture")).arg(localPath, file.errorString()));
    appendBytes(file.readAll(), remoteName);
}

void FtpClient::appendBytes(const QByteArray &bytes, const QString &remoteName) {
    // In ASCII mode libcurl turns each line feed into CR LF on the wire; the count files
    // already end their lines with CR LF, which would then reach the server as CR CR LF.
    Source source{QByteArray(bytes).replace("\r\n", "\n")};
    prepare(fileUrl(remoteName));
    curl_easy_setopt(m_curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(m_curl, CURLOPT_APPEND, 1L);
    curl_easy_setopt(m_curl, CURLOPT_READDATA, &source);
    perform("sending");
    curl_easy_setopt(m_curl, CURLOPT_READDATA, nullptr);
}

qint64 FtpClient::remoteSize(const QString &remoteName) {
    prepare(fileUrl(remoteName));
    // SIZE in binary type: servers refuse it, or count otherwise, in ASCII type.
    curl_easy_setopt(m_curl, CURLOPT_TRANSFERTEXT, 0L);
    curl_easy_setopt(m_curl, CURLOPT_NOBODY, 1L);
    const CURLcode code = run();
    if (code == CURLE_REMOTE_FILE_NOT_FOUND || code == CURLE_FTP_COULDNT_RETR_FILE)
        return -1;
    fail(code, "size");
    curl_off_t size = -1;
    curl_easy_getinfo(m_curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &size);
    return qint64(size);
}

QByteArray FtpClient::readFrom(const QString &remoteName, qint64 offset) {
    QByteArray received;
    prepare(fileUrl(remoteName));
    curl_easy_setopt(m_curl, CURLOPT_TRANSFERTEXT, 0L);
    curl_easy_setopt(m_curl, CURLOPT_RESUME_FROM_LARGE, curl_off_t(offset));
    curl_easy_setopt(m_curl, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(m_curl, CURLOPT_WRITEDATA, &received);
    perform("reading");
    curl_easy_setopt(m_curl, CURLOPT_WRITEDATA, nullptr);
    return received;
}
