#pragma once
// The FTP side of one update run: log in, enter the download directory, list
// it and fetch files. Passive mode (plain PASV), binary transfers, existing
// local files replaced only when a fetch completes.
#include <QString>
#include <QStringList>

typedef void CURL;

namespace updater {

class CFtpClient {
public:
    CFtpClient();
    ~CFtpClient();
    CFtpClient(const CFtpClient&) = delete;
    CFtpClient& operator=(const CFtpClient&) = delete;

    // Connects to host:port (0 = the FTP port 21) and logs in. On failure
    // nothing stays open.
    bool Open(const QString& host, int port, const QString& user, const QString& password);
    // Enters `dir`, an absolute directory on the server ("/download/").
    bool ChangeDirectory(const QString& dir);
    // Fetches the file `remoteName` of the current directory to `localPath`.
    // A failed fetch leaves an existing local file as it was.
    bool GetFile(const QString& remoteName, const QString& localPath);
    // The first entry of the current directory; empty when there is none or
    // the listing failed. Every entry matches the pattern "*.*".
    QString FindFirst(const QString& pattern = QStringLiteral("*.*"));
    // The next entry of the listing; empty after the last.
    QString FindNext();
    // Ends the listing, the connection and the session, in this order.
    void Close();

    // Text of the last libcurl failure, for the log.
    QString lastError() const { return m_error; }

private:
    bool perform(const QByteArray& url);
    QByteArray directoryUrl() const;

    CURL* m_internet = nullptr; // the session: one easy handle, one login
    bool m_connected = false;
    QByteArray m_base;     // "ftp://host:port/"
    QByteArray m_dirPath;  // URL path of the current directory, ends with '/'
    QStringList m_found;   // the listing of the last FindFirst
    qsizetype m_next = -1; // next entry to hand out; -1: no listing
    QString m_error;
};

} // namespace updater
