#pragma once
// The files a handheld reader and its desktop tool export: text or CSV with
// one EPC a line or an EPC column (other columns kept), an .xls sheet with
// such a column, and GS1 EPCIS 2.0 JSON(-LD) object events.
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace audit {

struct ScanRead {
    QString epc;       // as the file holds it
    QStringList extra; // the values of ScanFile::extraColumns
};

struct ScanFile {
    QString fileName; // without its folder
    QString sha256;   // of the file's bytes, lower-case hex
    QStringList extraColumns;
    std::vector<ScanRead> reads; // in file order, repeats included
};

// Reads a scan file; `progress` gets 0..100 while it reads. Throws
// platform::RuntimeError with an operator's message saying what was expected
// when the file cannot be read or has no recognisable EPC column.
ScanFile readScanFile(const QString& path, const std::function<void(int)>& progress = {});

} // namespace audit
