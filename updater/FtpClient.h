#pragma once
// The FTP side of one update run: log in, enter the download directory, list
// it and fetch files. Passive mode (plain PASV), binary transfers, TLS when
// the server offers it; a local file is replaced only by a whole fetch.
#include <QHash>
#include <QString>
#include <QStringList>

typedef void CURL;

namespace updater {

class CFtpClient {
public:
    CFtpClient();
    ~CFtpClient();
    Q_DISABLE_COPY(CFtpClient)

    // Connects to host:port (0 = the FTP port 21) and logs in. On failure
    // nothing stays open.
    bool Open(const QString& host, int port, const QString& user, const QString& password);
    // Enters `dir`, an absolute directory on the server ("/download/").
    bool ChangeDirectory(const QString& dir);
    // Fetches the file `remoteName` of the current directory to `localPath`.
    // A fetch whose size differs from the one the listing gave fails. A
    // failed fetch leaves an existing local file as it was; a symbolic link
    // at `localPath` is replaced, never written through.
    bool GetFile(const QString& remoteName, const QString& localPath);
    // The first entry of the current directory; empty when there is none or
    // the listing failed (then listingFailed()). Every entry matches the
    // pattern "*.*".
    QString FindFirst(const QString& pattern = QStringLiteral("*.*"));
    // The last FindFirst could not read the directory (refused, cut or
    // stalled): its empty answer does not mean an empty directory.
    bool listingFailed() const { return m_listingFailed; }
    // The next entry of the listing; empty after the last.
    QString FindNext();
    // Ends the listing, the connection and the session, in this order.
    void Close();

    // Text of the last failure, for the log.
    QString lastError() const { return m_error; }
    // How long a transfer or an answer may stand still before it counts as
    // failed; 60 s unless set before Open.
    void setStallSeconds(int seconds) { m_stallSeconds = seconds; }

private:
    bool perform(const QByteArray& url);
    bool list(bool namesOnly, QByteArray& out);
    QByteArray directoryUrl() const;

    CURL* m_internet = nullptr; // the session: one easy handle, one login
    bool m_connected = false;
    QByteArray m_base;             // "ftp://host:port/"
    QByteArray m_dirPath;          // URL path of the current directory, ends with '/'
    QStringList m_found;           // the listing of the last FindFirst
    QHash<QString, qint64> m_size; // file sizes the long listing gave
    qsizetype m_next = -1;         // next entry to hand out; -1: no listing
    bool m_listingFailed = false;
    int m_stallSeconds = 60;
    QString m_error;
};

// One line of a long directory listing, in the Unix or the DOS form: the
// entry's name and, for a file, its size (-1 for a folder). False for a line
// in neither form.
bool parseListLine(const QByteArray& line, QString& name, qint64& size);

} // namespace updater
