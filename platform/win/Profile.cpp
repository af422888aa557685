// The profile functions of Windows itself, given CP949 text as a Korean
// workstation's ANSI code page holds it.
#include "platform/Profile.h"

#include "platform/Cp949.h"

#include <QDir>
#include <QFileInfo>
#include <QVarLengthArray>
#include <windows.h>

namespace platform {

namespace {
QByteArray nativePath(const QString& fileName) {
    return QDir::toNativeSeparators(QFileInfo(fileName).absoluteFilePath()).toLocal8Bit();
}
} // namespace

QString GetPrivateProfileStringA(const QString& section, const QString& key, const QString& defaultValue,
                                 int size, const QString& fileName) {
    if (size <= 0)
        return QString();
    QVarLengthArray<char, 256> buffer(size);
    const DWORD n = ::GetPrivateProfileStringA(toCp949(section).constData(), toCp949(key).constData(),
                                               toCp949(defaultValue).constData(), buffer.data(), DWORD(size),
                                               nativePath(fileName).constData());
    return fromCp949(QByteArrayView(buffer.data(), qsizetype(n)));
}

int GetPrivateProfileIntA(const QString& section, const QString& key, int defaultValue,
                          const QString& fileName) {
    return int(::GetPrivateProfileIntA(toCp949(section).constData(), toCp949(key).constData(), defaultValue,
                                       nativePath(fileName).constData()));
}

bool WritePrivateProfileStringA(const QString& section, const std::optional<QString>& key,
                                const std::optional<QString>& value, const QString& fileName) {
    const QByteArray k = key ? toCp949(*key) : QByteArray();
    const QByteArray v = value ? toCp949(*value) : QByteArray();
    return ::WritePrivateProfileStringA(toCp949(section).constData(), key ? k.constData() : nullptr,
                                        value ? v.constData() : nullptr, nativePath(fileName).constData());
}

} // namespace platform
