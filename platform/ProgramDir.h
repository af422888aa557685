#pragma once
// The folder where the program finds its INI files, logs and the USB printer
// library: the executable's folder in production, a temporary folder in tests.
#include <QString>

namespace platform {

QString programDir();
void setProgramDir(const QString& dir);
// The program directory joined with a file name.
QString programPath(const QString& fileName);

} // namespace platform
