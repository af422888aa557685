#pragma once
// The folder where the program finds its INI files, logs and the USB printer
// library: the executable's folder in production, a temporary folder in tests.
#include <QString>

namespace platform {

QString programDir();
// The folder of the running executable (each system side finds it its own way).
QString executableDir();
void setProgramDir(const QString& dir);
// A program's file name on this system: "Vantrel" on Linux, "Vantrel.exe" on
// Windows.
inline QString executableFileName(const QString& program) {
#ifdef Q_OS_WIN
    return program + QStringLiteral(".exe");
#else
    return program;
#endif
}
// Whether a file name is a program's on this system: no extension on Linux,
// ".exe" (in any case) on Windows.
inline bool isExecutableFileName(const QString& name) {
#ifdef Q_OS_WIN
    return name.endsWith(QStringLiteral(".exe"), Qt::CaseInsensitive);
#else
    return !name.contains(QLatin1Char('.'));
#endif
}
// The program directory joined with a file name.
QString programPath(const QString& fileName);

// Every operator of the workstation's group writes the program directory's
// files, whoever created them: a file this process owns gets read and write
// for its group, whatever the umask. A file of another owner is left alone.
void shareWithGroup(int fd);
void shareWithGroup(const QString& path);

} // namespace platform
