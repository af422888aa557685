#pragma once
// Reads an .xls file with an independent reader (python3-xlrd through the
// system interpreter) and returns its first sheet as rows of cell texts:
// a number cell as "number:" and its value ("number:1234001"), a date cell
// as "date:" and its day ("date:2023-01-15").
#include "tests/support/HostProcess.h"
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>

#include <QStringList>

namespace testsupport {

struct XlrdSheet {
    bool ok = false;
    QString error;
    int sheets = 0;
    int nrows = -1;
    QList<QStringList> rows;
};

// Only the rows listed in `pick` (0-based; negative counts from the end) are
// returned when it is not empty, which keeps large sheets cheap to compare.
inline XlrdSheet readWithXlrd(const QString& path, const QList<int>& pick = {}) {
    static const char* script = R"PY(
import json, sys, xlrd
book = xlrd.open_workbook(sys.argv[1])
sheet = book.sheet_by_index(0)
pick = [int(x) for x in sys.argv[2:]]
idx = [(p if p >= 0 else sheet.nrows + p) for p in pick] if pick else range(sheet.nrows)
def text(c):
    if c.ctype == xlrd.XL_CELL_EMPTY:
        return ""
    if c.ctype == xlrd.XL_CELL_NUMBER:
        return "number:%s" % (int(c.value) if c.value == int(c.value) else c.value)
    if c.ctype == xlrd.XL_CELL_DATE:
        return "date:" + xlrd.xldate_as_datetime(c.value, book.datemode).date().isoformat()
    return str(c.value)
rows = [[text(c) for c in sheet.row(r)] for r in idx]
json.dump({"sheets": book.nsheets, "nrows": sheet.nrows, "rows": rows}, sys.stdout, ensure_ascii=True)
)PY";
    XlrdSheet out;
    HostProcess p;
    QStringList args{QStringLiteral("-c"), QString::fromLatin1(script), hostPath(path)};
    for (int i : pick)
        args << QString::number(i);
    p.start(QStringLiteral("/usr/bin/python3"), args);
    if (!p.waitForFinished(120000) || p.exitCode() != 0) {
        out.error = QString::fromUtf8(p.readAllStandardError());
        return out;
    }
    const QJsonObject o = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
    out.sheets = o.value(QStringLiteral("sheets")).toInt();
    const QJsonArray rows = o.value(QStringLiteral("rows")).toArray();
    for (const QJsonValue& r : rows) {
        QStringList cells;
        for (const QJsonValue& c : r.toArray())
            cells << c.toString();
        out.rows << cells;
    }
    out.nrows = o.value(QStringLiteral("nrows")).toInt();
    out.ok = true;
    return out;
}

} // namespace testsupport
