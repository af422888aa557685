#include "updater/FtpClient.h"

#include "platform/Cp949.h"
#include "updater/StagedFile.h"

#include <QRegularExpression>
#include <curl/curl.h>

namespace updater {

namespace {

// More than any download directory lists; a server that sends without end
// fails the listing instead of filling the memory.
constexpr qsizetype kListingLimit = 4 << 20;

size_t toByteArray(char* data, size_t size, size_t count, void* user) {
    auto* out = static_cast<QByteArray*>(user);
    if (out->size() + static_cast<qsizetype>(size * count) > kListingLimit)
        return 0; // a short count aborts the transfer
    out->append(data, static_cast<qsizetype>(size * count));
    return size * count;
}

struct Fetch {
    StagedFile* file;
    qint64 expected; // -1: unknown
};

size_t toStagedFile(char* data, size_t size, size_t count, void* user) {
    auto* fetch = static_cast<Fetch*>(user);
    const auto n = static_cast<qint64>(size * count);
    // More bytes than the listing announced: not the file that was listed.
    if (fetch->expected >= 0 && fetch->file->size() + n > fetch->expected)
        return 0;
    return fetch->file->write(data, n) ? size * count : 0;
}

QByteArray escapeSegment(const QByteArray& raw) {
    return QByteArray::fromRawData(raw.constData(), raw.size()).toPercentEncoding();
}

} // namespace

bool parseListLine(const QByteArray& line, QString& name, qint64& size) {
    // "-rw-r--r--   1 owner group   30072 Jan 01 12:00 name"; the size is the
    // number before the month, the name whatever follows the time or year.
    static const QRegularExpression unixForm(
        QStringLiteral("^([-dlbcps])\\S{9}\\S*\\s+\\d+\\s+.*?\\s(\\d+)\\s+[A-Za-z]{3}\\s+\\d{1,2}\\s+"
                       "(?:\\d{1,2}:\\d{2}|\\d{4})\\s(.+)$"));
    // "01-01-24  12:00PM       30072 name" or "<DIR>" instead of the size.
    static const QRegularExpression dosForm(QStringLiteral(
        "^\\d{2}-\\d{2}-\\d{2,4}\\s+\\d{1,2}:\\d{2}\\s*(?:[AaPp][Mm])?\\s+(<DIR>|\\d+)\\s+(.+)$"));
    // Matched on Latin-1 so that CP949 bytes of a name pass through the
    // patterns unchanged.
    const QString text = QString::fromLatin1(line);
    if (const auto m = unixForm.match(text); m.hasMatch()) {
        QByteArray raw = m.captured(3).toLatin1();
        const QChar kind = m.captured(1).at(0);
        if (kind == QLatin1Char('l')) {
            const qsizetype arrow = raw.indexOf(" -> ");
            if (arrow > 0)
                raw.truncate(arrow);
        }
        name = platform::fromCp949(raw);
        size = kind == QLatin1Char('-') ? m.captured(2).toLongLong() : -1;
        return true;
    }
    if (const auto m = dosForm.match(text); m.hasMatch()) {
        name = platform::fromCp949(m.captured(2).toLatin1());
        size = m.captured(1) == QLatin1String("<DIR>") ? -1 : m.captured(1).toLongLong();
        return true;
    }
    return false;
}

CFtpClient::CFtpClient() = default;

CFtpClient::~CFtpClient() {
    Close();
}

bool CFtpClient::perform(const QByteArray& url) {
    curl_easy_setopt(m_internet, CURLOPT_URL, url.constData());
    char err[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(m_internet, CURLOPT_ERRORBUFFER, err);
    const CURLcode rc = curl_easy_perform(m_internet);
    curl_easy_setopt(m_internet, CURLOPT_ERRORBUFFER, nullptr);
    if (rc != CURLE_OK) {
        m_error = QString::fromLocal8Bit(err[0] ? err : curl_easy_strerror(rc));
        return false;
    }
    return true;
}

bool CFtpClient::Open(const QString& host, int port, const QString& user, const QString& password) {
    Close();
    m_internet = curl_easy_init();
    if (!m_internet)
        return false;
    curl_easy_setopt(m_internet, CURLOPT_USERAGENT, "FtpName");
    curl_easy_setopt(m_internet, CURLOPT_NOSIGNAL, 1L);
    const QByteArray u = platform::toCp949(user), p = platform::toCp949(password);
    curl_easy_setopt(m_internet, CURLOPT_USERNAME, u.constData());
    curl_easy_setopt(m_internet, CURLOPT_PASSWORD, p.constData());
    // Plain PASV: some servers and firewalls between here and them do not
    // know EPSV. No text mode: payloads keep their line ends.
    curl_easy_setopt(m_internet, CURLOPT_FTP_USE_EPSV, 0L);
    curl_easy_setopt(m_internet, CURLOPT_TRANSFERTEXT, 0L);
    curl_easy_setopt(m_internet, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_MULTICWD));
    // TLS when the server offers it, plain FTP with servers that do not. The
    // certificate is not checked: at this level anyone in the middle can
    // refuse TLS anyway, and site servers carry their own certificates. TLS
    // keeps the shared login and the files from passive listeners; what is
    // installed is vouched for by the signed manifest.
    curl_easy_setopt(m_internet, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
    curl_easy_setopt(m_internet, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(m_internet, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(m_internet, CURLOPT_CONNECTTIMEOUT, 15L);
    curl_easy_setopt(m_internet, CURLOPT_SERVER_RESPONSE_TIMEOUT,
                     static_cast<long>(qMin(30, m_stallSeconds)));
    // A transfer that stalls counts as failed instead of holding the updater
    // (and the main program behind it) forever.
    curl_easy_setopt(m_internet, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(m_internet, CURLOPT_LOW_SPEED_TIME, static_cast<long>(m_stallSeconds));

    m_base = "ftp://" + host.toLatin1();
    if (port > 0)
        m_base += ':' + QByteArray::number(port);
    m_base += '/';
    m_dirPath.clear();

    // Logging in alone: the session's home, no transfer.
    curl_easy_setopt(m_internet, CURLOPT_NOBODY, 1L);
    if (host.isEmpty() || !perform(m_base)) {
        curl_easy_cleanup(m_internet);
        m_internet = nullptr;
        return false;
    }
    m_connected = true;
    return true;
}

bool CFtpClient::ChangeDirectory(const QString& dir) {
    if (!m_connected)
        return false;
    // "%2F" first: the path is taken from the server's root, not from the
    // login's home directory.
    QByteArray path = "%2F";
    const QStringList parts = dir.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& part : parts)
        path += escapeSegment(platform::toCp949(part)) + '/';
    curl_easy_setopt(m_internet, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(m_internet, CURLOPT_DIRLISTONLY, 0L);
    if (!perform(m_base + path))
        return false;
    m_dirPath = path;
    return true;
}

QByteArray CFtpClient::directoryUrl() const {
    return m_base + m_dirPath;
}

bool CFtpClient::GetFile(const QString& remoteName, const QString& localPath) {
    if (!m_connected)
        return false;
    StagedFile file(localPath);
    if (!file.open()) {
        m_error = file.errorString();
        return false;
    }
    Fetch fetch{&file, m_size.value(remoteName, -1)};
    curl_easy_setopt(m_internet, CURLOPT_NOBODY, 0L);
    curl_easy_setopt(m_internet, CURLOPT_DIRLISTONLY, 0L);
    curl_easy_setopt(m_internet, CURLOPT_WRITEFUNCTION, toStagedFile);
    curl_easy_setopt(m_internet, CURLOPT_WRITEDATA, &fetch);
    const bool ok = perform(directoryUrl() + escapeSegment(platform::toCp949(remoteName)));
    curl_easy_setopt(m_internet, CURLOPT_WRITEDATA, nullptr);
    if (!ok)
        return false;
    // A server may announce no size or a false one and end the transfer
    // early: only the listing's size tells a whole file from a cut one.
    if (fetch.expected >= 0 && file.size() != fetch.expected) {
        m_error = QStringLiteral("%1 of %2 bytes received").arg(file.size()).arg(fetch.expected);
        return false;
    }
    if (!file.finish(0664) || !file.place()) {
        m_error = file.errorString();
        return false;
    }
    return true;
}

bool CFtpClient::list(bool namesOnly, QByteArray& out) {
    curl_easy_setopt(m_internet, CURLOPT_NOBODY, 0L);
    curl_easy_setopt(m_internet, CURLOPT_DIRLISTONLY, namesOnly ? 1L : 0L);
    curl_easy_setopt(m_internet, CURLOPT_WRITEFUNCTION, toByteArray);
    curl_easy_setopt(m_internet, CURLOPT_WRITEDATA, &out);
    const bool ok = perform(directoryUrl());
    curl_easy_setopt(m_internet, CURLOPT_DIRLISTONLY, 0L);
    curl_easy_setopt(m_internet, CURLOPT_WRITEDATA, nullptr);
    return ok;
}

QString CFtpClient::FindFirst(const QString& pattern) {
    Q_UNUSED(pattern); // the server's whole directory is wanted
    m_found.clear();
    m_size.clear();
    m_next = -1;
    m_listingFailed = false;
    if (!m_connected) {
        m_listingFailed = true;
        return {};
    }
    // The names come from the short listing, which every server gives in
    // one form; the long listing adds the sizes that a fetch must reach.
    QByteArray names, details;
    if (!list(true, names) || !list(false, details)) {
        m_listingFailed = true;
        return {};
    }
    for (QByteArray line : names.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.isEmpty())
            m_found.append(platform::fromCp949(line));
    }
    for (QByteArray line : details.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        QString name;
        qint64 size = -1;
        if (parseListLine(line, name, size) && size >= 0)
            m_size.insert(name, size);
    }
    m_next = 0;
    return FindNext();
}

QString CFtpClient::FindNext() {
    if (m_next < 0 || m_next >= m_found.size())
        return {};
    return m_found.at(m_next++);
}

void CFtpClient::Close() {
    m_found.clear();
    m_size.clear();
    m_next = -1;
    m_connected = false;
    if (m_internet) {
        curl_easy_cleanup(m_internet); // also ends the control connection (QUIT)
        m_internet = nullptr;
    }
}

} // namespace updater
