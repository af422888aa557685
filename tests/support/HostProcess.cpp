#include "tests/support/HostProcess.h"

#ifdef Q_OS_WIN
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QtEndian>
#include <windows.h>

namespace testsupport {

QString hostPath(const QString& path) {
    // Wine's own call: the Unix name of a Windows path.
    using ToUnix = char*(CDECL*)(const wchar_t*);
    static const auto toUnix = reinterpret_cast<ToUnix>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name"));
    if (!toUnix)
        return path;
    const std::wstring native = QDir::toNativeSeparators(path).toStdWString();
    char* unix = toUnix(native.c_str());
    if (!unix)
        return path;
    const QString result = QString::fromUtf8(unix);
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

namespace {
// Arguments naming a Windows path (C:\..., C:/...) get their Linux name.
QJsonArray hostArguments(const QStringList& args) {
    static const QRegularExpression drivePath(QStringLiteral("^[A-Za-z]:[\\\\/]"));
    QJsonArray out;
    for (const QString& a : args)
        out.append(drivePath.match(a).hasMatch() ? hostPath(a) : a);
    return out;
}
} // namespace

void BrokeredProcess::start(const QString& program, const QStringList& args, QIODevice::OpenMode) {
    m_out.clear();
    m_err.clear();
    m_frames.clear();
    m_error.clear();
    m_exitCode = 0;
    const QByteArray broker = qgetenv("VANTREL_HOST_BROKER");
    const QString host = QString::fromLatin1(broker.left(broker.lastIndexOf(':')));
    const quint16 port = quint16(broker.mid(broker.lastIndexOf(':') + 1).toUInt());
    m_socket.abort();
    m_socket.connectToHost(host.isEmpty() ? QStringLiteral("127.0.0.1") : host, port);
    m_state = QProcess::Starting;
    const QJsonObject request{{QStringLiteral("program"), QFileInfo(program).completeBaseName()},
                              {QStringLiteral("args"), hostArguments(args)}};
    m_socket.write(QJsonDocument(request).toJson(QJsonDocument::Compact) + '\n');
}

bool BrokeredProcess::waitForStarted(int ms) {
    if (m_state != QProcess::Starting)
        return m_state == QProcess::Running;
    if (!m_socket.waitForConnected(ms) || !m_socket.waitForBytesWritten(ms)) {
        m_error = QStringLiteral("no host broker (VANTREL_HOST_BROKER): ") + m_socket.errorString();
        m_state = QProcess::NotRunning;
        return false;
    }
    m_state = QProcess::Running;
    return true;
}

bool BrokeredProcess::pump(int ms) {
    if (m_state == QProcess::NotRunning)
        return false;
    if (m_socket.bytesAvailable() == 0 && !m_socket.waitForReadyRead(ms)) {
        if (m_socket.state() != QAbstractSocket::ConnectedState)
            m_state = QProcess::NotRunning;
        return false;
    }
    m_frames += m_socket.readAll();
    while (m_frames.size() >= 5) {
        const quint32 length = qFromBigEndian<quint32>(m_frames.constData() + 1);
        if (m_frames.size() < 5 + qsizetype(length))
            break;
        const char channel = m_frames[0];
        const QByteArray data = m_frames.mid(5, length);
        m_frames.remove(0, 5 + length);
        if (channel == 'O')
            m_out += data;
        else if (channel == 'E')
            m_err += data;
        else if (channel == 'X') {
            m_exitCode = data.toInt();
            m_state = QProcess::NotRunning;
            m_socket.close();
        }
    }
    return true;
}

bool BrokeredProcess::waitForReadyRead(int ms) {
    const qsizetype before = m_out.size();
    const QDeadlineTimer deadline(ms);
    while (m_out.size() == before && m_state != QProcess::NotRunning && !deadline.hasExpired())
        pump(int(qMax<qint64>(1, deadline.remainingTime())));
    return m_out.size() > before;
}

bool BrokeredProcess::waitForFinished(int ms) {
    const QDeadlineTimer deadline(ms);
    while (m_state != QProcess::NotRunning && !deadline.hasExpired())
        pump(int(qMax<qint64>(1, deadline.remainingTime())));
    return m_state == QProcess::NotRunning;
}

QByteArray BrokeredProcess::readLine() {
    const qsizetype end = m_out.indexOf('\n');
    const QByteArray line = end < 0 ? m_out : m_out.left(end + 1);
    m_out.remove(0, line.size());
    return line;
}

void BrokeredProcess::terminate() {
    if (m_state != QProcess::NotRunning) {
        m_socket.write("T");
        m_socket.flush();
    }
}

void BrokeredProcess::kill() {
    if (m_state != QProcess::NotRunning) {
        m_socket.write("K");
        m_socket.flush();
    }
}

} // namespace testsupport
#endif
