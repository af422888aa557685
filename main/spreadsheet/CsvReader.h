#pragma once
// Comma-separated files read the way a spreadsheet application opens them:
// records end at CR LF, LF or CR; a field that begins with a double quote
// runs to the closing quote (doubled quotes stand for one, commas and line
// breaks inside belong to the field), anything after the closing quote is
// kept as typed; quotes elsewhere are ordinary characters. A quote that is
// never closed is an error naming its line ("N행: ...").
// The bytes are UTF-8 when they begin with its byte-order mark or are valid
// UTF-8 throughout, UTF-16 when they begin with its byte-order mark,
// otherwise Korean ANSI (CP949), as an office PC saves them. A control
// character (other than tab and line breaks) is an error naming its line.
#include "main/spreadsheet/Workbook.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace spreadsheet {

// The text of a CSV file's bytes (byte-order mark removed).
QString decodeCsvText(const QByteArray& bytes);

// The records of CSV text, each a list of its fields; throws
// platform::RuntimeError naming the line of a quote that is never closed or
// of a control character.
QList<QStringList> parseCsv(QStringView text);

// Opens a CSV file as a workbook (trailing empty records are not rows);
// throws platform::RuntimeError naming the file when it cannot be read.
std::unique_ptr<Workbook> openCsvWorkbook(const QString& path);

} // namespace spreadsheet
