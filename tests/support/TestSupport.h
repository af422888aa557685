#pragma once
// Shared helpers of the test suites.
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace testsupport {

// A fresh program directory for one test: created empty, installed as the
// program directory, removed (and the previous one restored) at the end.
class TempProgramDir {
public:
    TempProgramDir();
    ~TempProgramDir();
    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.path() + QLatin1Char('/') + name; }
    // Writes bytes to a file of the directory (CP949 when given text).
    void write(const QString& name, const QByteArray& bytes) const;
    void writeText(const QString& name, const QString& text) const;
    QByteArray read(const QString& name) const;

private:
    QTemporaryDir m_dir;
    QString m_previous;
};

// The folder of the built programs (printer-sim, vantrelctl, Quorvel ...).
QString binDir();
QString sourceDir();
// Copies the settings files an installation ships (main/settings/install:
// rfid_setup.ini, adjust_setup.ini, long_sno.ini) into a program directory.
// False when one could not be copied.
bool installSettingsTemplates(const QString& programDir);
// A loopback TCP port nothing listens on (it was free a moment ago).
quint16 deadPort();
// Upper-case hex of bytes, two digits per byte, separated by blanks.
QString hex(const QByteArray& bytes);

} // namespace testsupport
