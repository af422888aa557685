// The interface address table of the IP helper, in the system's own order.
#include "platform/LocalIp.h"

#include <vector>
// clang-format off
#include <winsock2.h>
#include <iphlpapi.h>
// clang-format on

namespace platform {

QList<std::array<quint8, 4>> ipv4AddressTable() {
    ULONG size = 0;
    std::vector<unsigned char> buffer;
    DWORD r = ERROR_INSUFFICIENT_BUFFER;
    for (int attempt = 0; attempt < 3 && r == ERROR_INSUFFICIENT_BUFFER; ++attempt) {
        buffer.resize(size ? size : sizeof(MIB_IPADDRTABLE));
        size = ULONG(buffer.size());
        r = GetIpAddrTable(reinterpret_cast<MIB_IPADDRTABLE*>(buffer.data()), &size, FALSE);
    }
    QList<std::array<quint8, 4>> table;
    if (r != NO_ERROR)
        return table;
    const auto* t = reinterpret_cast<const MIB_IPADDRTABLE*>(buffer.data());
    for (DWORD i = 0; i < t->dwNumEntries; ++i) {
        const auto* b = reinterpret_cast<const quint8*>(&t->table[i].dwAddr); // network order
        table.append({b[0], b[1], b[2], b[3]});
    }
    return table;
}

} // namespace platform
