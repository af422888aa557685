#pragma once
// Quorvel against virtual USB printers in a temporary device folder: on
// Linux the printers' device nodes, on Windows named pipes served by
// PipePrinter, under a name of their own.
#include "tests/support/PrinterSimProcess.h"
#ifdef Q_OS_WIN
#include "tests/support/PipePrinter.h"
#endif

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <memory>
#include <vector>

namespace testsupport {

class UsbPrinters {
public:
    UsbPrinters() { qputenv("QUORVEL_DEVICE_DIR", deviceDir().toLocal8Bit()); }
    ~UsbPrinters() { qunsetenv("QUORVEL_DEVICE_DIR"); }

#ifdef Q_OS_WIN
    QString deviceDir() const {
        return m_pipes;
    }
    using Printer = PipePrinter;
#else
    QString deviceDir() const {
        return m_dir.filePath(QStringLiteral("usb"));
    }
    using Printer = PrinterSimProcess;
#endif

    // Starts one more printer (lp0, lp1, ...) with an optional script; its
    // capture file is capture(i).
    bool add(const QByteArray& script = {}, QStringList more = {}) {
        const int i = int(m_printers.size());
        QStringList args{QStringLiteral("--capture"), capturePath(i)};
        if (!script.isEmpty()) {
            const QString path = m_dir.filePath(QStringLiteral("script%1.txt").arg(i));
            QFile f(path);
            if (!f.open(QIODevice::WriteOnly))
                return false;
            f.write(script);
            f.close();
            args << QStringLiteral("--script") << path;
        }
#ifdef Q_OS_WIN
        auto printer = std::make_unique<PipePrinter>(deviceDir() + QStringLiteral("\\lp%1").arg(i));
        if (!printer->start(args + more))
            return false;
#else
        auto printer = std::make_unique<PrinterSimProcess>();
        if (!printer->start(QStringList{QStringLiteral("--usb"), deviceDir()} + args + more)) {
            qWarning("%s", qPrintable(printer->error()));
            return false;
        }
#endif
        m_printers.push_back(std::move(printer));
        return true;
    }
    Printer& printer(int i) {
        return *m_printers[size_t(i)];
    }
    // The device path Quorvel finds printer i at.
    QString devicePath(int i) const {
        return deviceDir() + QDir::separator() + QStringLiteral("lp%1").arg(i);
    }
    QByteArray capture(int i) const {
        QFile f(capturePath(i));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private:
    QString capturePath(int i) const {
        return m_dir.filePath(QStringLiteral("capture%1.bin").arg(i));
    }
    QTemporaryDir m_dir;
#ifdef Q_OS_WIN
    QString m_pipes = newStandInFolder();
#endif
    std::vector<std::unique_ptr<Printer>> m_printers;
};

} // namespace testsupport
