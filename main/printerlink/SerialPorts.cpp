#include "main/printerlink/SerialPorts.h"

#include "platform/Profile.h"
#include "platform/ProgramDir.h"

namespace printerlink {

QString serialDevicePath(int portNumber) {
    const QString key = QStringLiteral("COM%1").arg(portNumber);
    const QString mapped = platform::readProfileText(platform::programPath(QStringLiteral("conn_setup.ini")),
                                                     QStringLiteral("SERIAL_PORTS"), key)
                               .trimmed();
    if (!mapped.isEmpty())
        return mapped;
#ifdef Q_OS_WIN
    return key; // Windows names the port itself
#else
    return QStringLiteral("/dev/ttyS%1").arg(portNumber - 1);
#endif
}

} // namespace printerlink
