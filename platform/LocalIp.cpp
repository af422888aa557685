#include "platform/LocalIp.h"

#include <QNetworkInterface>

namespace platform {

QString IpToString(const std::array<quint8, 4>& a) {
    return QStringLiteral("%1.%2.%3.%4").arg(a[0]).arg(a[1]).arg(a[2]).arg(a[3]);
}

QList<std::array<quint8, 4>> ipv4AddressTable() {
    QList<std::array<quint8, 4>> table;
    for (const QNetworkInterface& iface : QNetworkInterface::allInterfaces()) {
        for (const QNetworkAddressEntry& e : iface.addressEntries()) {
            const QHostAddress ip = e.ip();
            if (ip.protocol() != QAbstractSocket::IPv4Protocol)
                continue;
            const quint32 v = ip.toIPv4Address();
            table.append({quint8(v >> 24), quint8(v >> 16), quint8(v >> 8), quint8(v)});
        }
    }
    return table;
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
