#include "main/spreadsheet/XlsReader.h"

#include "platform/ProcessLimits.h"
#include "platform/RuntimeError.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QHash>
#include <QProcess>

namespace spreadsheet {

using platform::RuntimeError;

namespace {

XlsReaderLimits& limits() {
    static XlsReaderLimits l;
    return l;
}

// More output than this is not a worksheet the import could use.
constexpr qint64 kMaxOutput = 512LL << 20;

QString problemText(const QByteArray& problem) {
    if (problem == "file-missing")
        return QStringLiteral("파일이 없거나 읽을 수 없습니다.");
    if (problem == "too-large")
        return QStringLiteral("통합문서가 너무 커서 읽을 수 없습니다.");
    if (problem == "not-xls")
        return QStringLiteral("엑셀 97-2003 통합문서(.xls)가 아닙니다.");
    if (problem == "no-workbook")
        return QStringLiteral("통합문서가 들어 있지 않습니다.");
    if (problem == "no-worksheet")
        return QStringLiteral(
            "워크시트를 읽을 수 없습니다. 통합문서가 손상되었거나 너무 긴 글자가 들어 있습니다.");
    return QStringLiteral("통합문서가 손상되어 읽을 수 없습니다.");
}

// Reads one "A B C\n" line of whole numbers at pos.
bool numbers(const QByteArray& out, qsizetype& pos, qint64* values, int count) {
    const qsizetype end = out.indexOf('\n', pos);
    if (end < 0 || end - pos > 64)
        return false;
    const QList<QByteArray> parts = out.mid(pos, end - pos).split(' ');
    if (parts.size() != count)
        return false;
    for (int i = 0; i < count; ++i) {
        bool ok = false;
        values[i] = parts[i].toLongLong(&ok);
        if (!ok || values[i] < 0)
            return false;
    }
    pos = end + 1;
    return true;
}

class XlsWorkbook : public Workbook {
public:
    XlsWorkbook(const QString& path, const QByteArray& out) {
        // The helper's output is checked like any file: a reader that went
        // wrong must not leave half a sheet.
        const auto damaged = [&] {
            return RuntimeError(QStringLiteral("%1: %2").arg(path, problemText({})));
        };
        if (!out.startsWith("VXLS1\n"))
            throw damaged();
        qsizetype pos = 6;
        qint64 size[2];
        if (!numbers(out, pos, size, 2) || size[0] > 65536 || size[1] > 256)
            throw damaged();
        m_cols = static_cast<int>(size[1]);
        while (!QByteArrayView(out).sliced(pos).startsWith("END\n")) {
            qint64 cell[3];
            if (!numbers(out, pos, cell, 3) || cell[0] < 1 || cell[0] > size[0] || cell[1] < 1 ||
                cell[1] > size[1] || cell[2] > out.size() - pos)
                throw damaged();
            m_cells.insert(key(static_cast<int>(cell[0]), static_cast<int>(cell[1])),
                           QString::fromUtf8(QByteArrayView(out).sliced(pos, cell[2])));
            m_rows = std::max(m_rows, static_cast<int>(cell[0]));
            pos += cell[2];
        }
        if (m_rows == 0)
            throw RuntimeError(QStringLiteral("%1: 첫 번째 워크시트에 자료가 없습니다.").arg(path));
    }

    int lastUsedRow() const override { return m_rows; }

    QString cellText(int row, int col) const override {
        if (row < 1 || col < 1 || row > m_rows || col > m_cols)
            return {};
        return m_cells.value(key(row, col));
    }

private:
    static qint64 key(int row, int col) { return qint64(row) << 16 | col; }

    QHash<qint64, QString> m_cells;
    int m_rows = 0; // the last row holding anything
    int m_cols = 0;
};

} // namespace

XlsReaderLimits xlsReaderLimits() {
    return limits();
}

void setXlsReaderLimits(const XlsReaderLimits& l) {
    limits() = l;
}

std::unique_ptr<Workbook> openXlsWorkbook(const QString& path) {
    const XlsReaderLimits l = limits();
    const QString program =
        l.program.isEmpty()
            ? QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("vantrel-xlsread"))
            : l.program;
    QProcess child;
    child.setProgram(program);
    child.setArguments({path});
    platform::ChildLimits childLimits(l.memoryBytes, l.cpuSeconds);
    childLimits.prepare(child);
    const auto failure = [&](const QString& what) {
        return RuntimeError(QStringLiteral("%1: %2").arg(path, what));
    };
    child.start(QIODevice::ReadOnly);
    if (!child.waitForStarted(10'000))
        throw failure(QStringLiteral("엑셀 파일 읽기 프로그램(%1)을 시작할 수 없습니다: %2")
                          .arg(program, child.errorString()));
    childLimits.started(child);

    QByteArray out;
    QElapsedTimer clock;
    clock.start();
    while (child.state() != QProcess::NotRunning) {
        const qint64 left = l.wallMs - clock.elapsed();
        if (left <= 0 || out.size() > kMaxOutput) {
            child.kill();
            child.waitForFinished(5'000);
            throw failure(
                left <= 0
                    ? QStringLiteral(
                          "통합문서를 %1초 안에 읽지 못해 중단했습니다. 파일이 손상되었는지 확인하십시오.")
                          .arg(l.wallMs / 1000.0)
                    : problemText({}));
        }
        child.waitForReadyRead(static_cast<int>(std::min<qint64>(left, 200)));
        out += child.readAllStandardOutput();
    }
    out += child.readAllStandardOutput();
    if (child.exitStatus() == QProcess::CrashExit)
        throw failure(
            QStringLiteral("통합문서가 손상되어 읽는 도중 중단되었습니다. 파일을 다시 저장하여 보십시오."));
    if (child.exitCode() != 0)
        throw failure(problemText(child.readAllStandardError().trimmed().left(32)));
    return std::make_unique<XlsWorkbook>(path, out);
}

} // namespace spreadsheet
