#include "platform/LocalIp.h"

namespace platform {

QString IpToString(const std::array<quint8, 4>& a) {
    return QStringLiteral("%1.%2.%3.%4").arg(a[0]).arg(a[1]).arg(a[2]).arg(a[3]);
}

QString GetLocalIp(const QList<std::array<quint8, 4>>& table, QString* error) {
    const QString fallback = QStringLiteral("127.0.0.1");
    if (table.isEmpty())
        return fallback;
    if (table.size() < 2) {
        if (error)
            *error = QStringLiteral("Subscript out of range");
        return fallback;
    }
    return IpToString(table[1]);
}

QString GetLocalIp(QString* error) {
    return GetLocalIp(ipv4AddressTable(), error);
}

} // namespace platform
