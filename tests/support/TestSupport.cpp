#include "tests/support/TestSupport.h"

#include "platform/Cp949.h"
#include "platform/ProgramDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTcpServer>

namespace testsupport {

TempProgramDir::TempProgramDir() : m_previous(platform::programDir()) {
    platform::setProgramDir(m_dir.path());
}

TempProgramDir::~TempProgramDir() {
    platform::setProgramDir(m_previous);
}

void TempProgramDir::write(const QString& name, const QByteArray& bytes) const {
    QFile f(file(name));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

void TempProgramDir::writeText(const QString& name, const QString& text) const {
    write(name, platform::toCp949(text));
}

QByteArray TempProgramDir::read(const QString& name) const {
    QFile f(file(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString binDir() {
    const QByteArray env = qgetenv("VANTREL_BIN_DIR");
    return env.isEmpty() ? QCoreApplication::applicationDirPath() : QString::fromLocal8Bit(env);
}

QString sourceDir() {
    return QString::fromLocal8Bit(qgetenv("VANTREL_SOURCE_DIR"));
}

bool installSettingsTemplates(const QString& programDir) {
    const QDir from(sourceDir() + QStringLiteral("/main/settings/install"));
    const QStringList names = from.entryList(QDir::Files);
    bool ok = !names.isEmpty();
    for (const QString& name : names) {
        const QString target = programDir + QLatin1Char('/') + name;
        QFile::remove(target);
        ok = QFile::copy(from.filePath(name), target) && ok;
    }
    return ok;
}

quint16 deadPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

QString hex(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

} // namespace testsupport
