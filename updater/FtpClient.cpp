#include "updater/FtpClient.h"

#include "platform/Cp949.h"

#include <QSaveFile>
#include <curl/curl.h>

namespace updater {

namespace {

size_t toByteArray(char* data, size_t size, size_t count, void* user) {
    static_cast<QByteArray*>(user)->append(data, static_cast<qsizetype>(size * count));
    return size * count;
}

size_t toSaveFile(char* data, size_t size, size_t count, void* user) {
    auto* file = static_cast<QSaveFile*>(user);
    const qint64 n = file->write(data, static_cast<qint64>(size * count));
    return n < 0 ? 0 : static_cast<size_t>(n); // a short count aborts the transfer
}

QByteArray escapeSegment(const QByteArray& raw) {
    return QByteArray::fromRawData(raw.constData(), raw.size()).toPercentEncoding();
}

} // namespace

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
    curl_easy_setopt(m_internet, CURLOPT_CONNECTTIMEOUT, 15L);
    curl_easy_setopt(m_internet, CURLOPT_SERVER_RESPONSE_TIMEOUT, 30L);
    // A transfer that stalls for a minute counts as failed instead of
    // holding the updater (and the main program behind it) forever.
    curl_easy_setopt(m_internet, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(m_internet, CURLOPT_LOW_SPEED_TIME, 60L);

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
    QSaveFile file(localPath);
    if (!file.open(QIODevice::WriteOnly)) {
        m_error = file.errorString();
        return false;
    }
    curl_easy_setopt(m_internet, CURLOPT_NOBODY, 0L);
    curl_easy_setopt(m_internet, CURLOPT_DIRLISTONLY, 0L);
    curl_easy_setopt(m_internet, CURLOPT_WRITEFUNCTION, toSaveFile);
    curl_easy_setopt(m_internet, CURLOPT_WRITEDATA, &file);
    const bool ok = perform(directoryUrl() + escapeSegment(platform::toCp949(remoteName)));
    curl_easy_setopt(m_internet, CURLOPT_WRITEDATA, nullptr);
    if (!ok) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        m_error = file.errorString();
        return false;
    }
    return true;
}

QString CFtpClient::FindFirst(const QString& pattern) {
    Q_UNUSED(pattern); // the server's whole directory is wanted
    m_found.clear();
    m_next = -1;
    if (!m_connected)
        return {};
    QByteArray listing;
    curl_easy_setopt(m_internet, CURLOPT_NOBODY, 0L);
    curl_easy_setopt(m_internet, CURLOPT_DIRLISTONLY, 1L);
    curl_easy_setopt(m_internet, CURLOPT_WRITEFUNCTION, toByteArray);
    curl_easy_setopt(m_internet, CURLOPT_WRITEDATA, &listing);
    const bool ok = perform(directoryUrl());
    curl_easy_setopt(m_internet, CURLOPT_DIRLISTONLY, 0L);
    curl_easy_setopt(m_internet, CURLOPT_WRITEDATA, nullptr);
    if (!ok)
        return {};
    for (QByteArray line : listing.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.isEmpty())
            m_found.append(platform::fromCp949(line));
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
    m_next = -1;
    m_connected = false;
    if (m_internet) {
        curl_easy_cleanup(m_internet); // also ends the control connection (QUIT)
        m_internet = nullptr;
    }
}

} // namespace updater
