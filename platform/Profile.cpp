#include "platform/Profile.h"

namespace platform {

QString readProfileText(const QString& fileName, const QString& section, const QString& key,
                        const QString& defaultValue) {
    QString v = GetPrivateProfileStringA(section, key, defaultValue, 255, fileName);
    v.remove(QChar(0));
    v.remove(QChar(9));
    return v;
}

} // namespace platform
