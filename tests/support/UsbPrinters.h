#pragma once
// Quorvel against virtual USB printers in a temporary device folder.
#include "tests/support/PrinterSimProcess.h"

#include <QFile>
#include <QTemporaryDir>
#include <memory>
#include <vector>

namespace testsupport {

class UsbPrinters {
public:
    UsbPrinters() { qputenv("QUORVEL_DEVICE_DIR", deviceDir().toLocal8Bit()); }
    ~UsbPrinters() { qunsetenv("QUORVEL_DEVICE_DIR"); }

    QString deviceDir() const { return m_dir.filePath(QStringLiteral("usb")); }

    // Starts one more printer (lp0, lp1, ...) with an optional script; its
    // capture file is capture(i).
    bool add(const QByteArray& script = {}, QStringList more = {}) {
        const int i = int(m_printers.size());
        QStringList args{QStringLiteral("--usb"), deviceDir(), QStringLiteral("--capture"), capturePath(i)};
        if (!script.isEmpty()) {
            const QString path = m_dir.filePath(QStringLiteral("script%1.txt").arg(i));
            QFile f(path);
            if (!f.open(QIODevice::WriteOnly))
                return false;
            f.write(script);
            f.close();
            args << QStringLiteral("--script") << path;
        }
        auto sim = std::make_unique<testsupport::PrinterSimProcess>();
        if (!sim->start(args + more)) {
            qWarning("%s", qPrintable(sim->error()));
            return false;
        }
        m_printers.push_back(std::move(sim));
        return true;
    }
    testsupport::PrinterSimProcess& printer(int i) { return *m_printers[size_t(i)]; }
    QByteArray capture(int i) const {
        QFile f(capturePath(i));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private:
    QString capturePath(int i) const { return m_dir.filePath(QStringLiteral("capture%1.bin").arg(i)); }
    QTemporaryDir m_dir;
    std::vector<std::unique_ptr<testsupport::PrinterSimProcess>> m_printers;
};

} // namespace testsupport
