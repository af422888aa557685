#pragma once
// The workstation's IPv4 address as the system records it with each tag: the
// second entry of the interface address table, "127.0.0.1" when there is none.
#include <QList>
#include <QString>
#include <array>

namespace platform {

// The four bytes of an IPv4 address, in memory order, joined by "." (10.0.0.5).
QString IpToString(const std::array<quint8, 4>& address);

// The IPv4 interface addresses in table order (loopback included).
QList<std::array<quint8, 4>> ipv4AddressTable();

// Picks the second entry of the table. When the table has fewer than two
// entries, `error` receives the text the operator is shown and the result
// is "127.0.0.1".
QString GetLocalIp(const QList<std::array<quint8, 4>>& table, QString* error);
QString GetLocalIp(QString* error);

} // namespace platform
