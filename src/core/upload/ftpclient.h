#pragma once

#include <QString>

#include <curl/curl.h>

// The FTP client the main window keeps for the program's life (libcurl). Passive mode,
// IPv4, port 21, ASCII type. A session may stay open between uploads; each upload starts by
// closing it. Every call raises KorvelloError with libcurl's message on failure.
class FtpClient {
public:
    // Bounds that keep a dead server from hanging the program forever, yet leave a slow
    // line all the time it needs: a connection must open within this time, and the server
    // must answer, or the data move, within the other.
    static constexpr long kConnectTimeoutSeconds = 30;
    static constexpr long kStallTimeoutSeconds = 120;

    FtpClient();
    ~FtpClient();
    FtpClient(const FtpClient &) = delete;
    FtpClient &operator=(const FtpClient &) = delete;

    // Closes the session, if one is open.
    void disconnect();

    // The TLS selector of the settings: 0 or less plain FTP; 1, 11, 12 explicit TLS ("AUTH
    // TLS") with TLS 1.0, 1.1, 1.2 as the lowest version allowed; any other positive value
    // TLS with the version set last (TLS 1.0 when none was). The peer's certificate is not
    // checked.
    void setTls(int selector);
    bool usesTls() const { return m_tls; }

    void setServer(const QString &host, const QString &user, const QString &password);
    // Active mode: the server opens the data connections (the connection test uses it).
    void setActiveMode(bool active) { m_active = active; }

    // Connects and logs in.
    void login();
    // Enters the remote directory (no attempt to create it); empty stays where the log-in
    // put us.
    void changeDir(const QString &directory);
    // Sends the local file under remoteName into the current directory, appended to a remote
    // file of that name (created when missing).
    void append(const QString &localPath, const QString &remoteName);
    // The same with the bytes given (lines ended by CR LF or LF).
    void appendBytes(const QByteArray &bytes, const QString &remoteName);
    // The size of a remote file of the current directory, in binary type (the server's own
    // form of the lines); -1 when there is no such file.
    qint64 remoteSize(const QString &remoteName);
    // A remote file's bytes from offset on, in binary type.
    QByteArray readFrom(const QString &remoteName, qint64 offset);

private:
    static int progress(void *self, curl_off_t, curl_off_t downloaded, curl_off_t,
                        curl_off_t uploaded);
    void prepare(const QString &url);
    void perform(const char *what);
    CURLcode run();
    void fail(CURLcode code, const char *what);
    QString fileUrl(const QString &remoteName) const;
    QString url(const QString &path) const;

    CURL *m_curl = nullptr;
    CURLM *m_multi = nullptr;
    QString m_host;
    QString m_user;
    QString m_password;
    QString m_directory;
    bool m_tls = false;
    bool m_active = false;
    long m_tlsVersion;
    char m_error[CURL_ERROR_SIZE] = {};
    qint64 m_lastMove = 0;
    qint64 m_lastBytes = -1;
};
