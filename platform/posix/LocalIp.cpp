// The interface address table as the kernel lists the interfaces.
#include "platform/LocalIp.h"

#include <QNetworkInterface>

namespace platform {

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

} // namespace platform
