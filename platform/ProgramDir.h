#pragma once
// The folder where the program finds its INI files, logs and the USB printer
// library: the executable's folder in production, a temporary folder in tests.
#include <QString>

namespace platform {

QString programDir();
void setProgramDir(const QString& dir);
// The program directory joined with a file name.
QString programPath(const QString& fileName);

// Every operator of the workstation's group writes the program directory's
// files, whoever created them: a file this process owns gets read and write
// for its group, whatever the umask. A file of another owner is left alone.
void shareWithGroup(int fd);
void shareWithGroup(const QString& path);

} // namespace platform
