#pragma once
// One open-append-close of a file: each call's bytes go out in one write, so
// the lines of two threads or processes never interleave. Byte for byte
// (no line-end translation) on both system sides.
#include <QByteArrayView>
#include <QString>

namespace platform {

// Creates the file when missing; on Linux never writes through a symbolic
// link at the name. False when it cannot be opened or written;
// *sizeAfter then is unchanged, else the file's size after the write.
bool appendToFile(const QString& path, QByteArrayView bytes, qint64* sizeAfter = nullptr);

} // namespace platform
