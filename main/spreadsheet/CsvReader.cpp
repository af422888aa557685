#include "main/spreadsheet/CsvReader.h"

#include "platform/Cp949.h"
#include "platform/RuntimeError.h"

#include <QFile>

#include <QStringDecoder>

namespace spreadsheet {

QString decodeCsvText(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    // "Unicode text" as a spreadsheet application saves it.
    for (const auto encoding : {QStringDecoder::Utf16LE, QStringDecoder::Utf16BE}) {
        const QByteArray bom = encoding == QStringDecoder::Utf16LE ? "\xFF\xFE" : "\xFE\xFF";
        if (bytes.startsWith(bom)) {
            QStringDecoder utf16(encoding, QStringDecoder::Flag::Stateless);
            return utf16.decode(QByteArrayView(bytes).sliced(2));
        }
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return platform::fromCp949(bytes);
}

namespace {

// A control character (a NUL of a file saved as UTF-16 without its mark,
// say) is no part of any value the import looks up.
void refuseControlCharacters(QStringView text) {
    int line = 1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\n' || (c == u'\r' && (i + 1 >= text.size() || text[i + 1] != u'\n'))) {
            ++line;
        } else if ((c < 0x20 && c != u'\t' && c != u'\r') || c == 0x7F) {
            throw platform::RuntimeError(
                QStringLiteral(
                    "%1행: 제어 문자(0x%2)가 들어 있습니다. 파일을 쉼표로 구분된 텍스트(CSV, UTF-8 "
                    "또는 ANSI)로 다시 저장하여 주십시오.")
                    .arg(line)
                    .arg(c, 2, 16, QLatin1Char('0')));
        }
    }
}

} // namespace

QList<QStringList> parseCsv(QStringView text) {
    refuseControlCharacters(text);
    QList<QStringList> records;
    QStringList record;
    QString field;
    const qsizetype n = text.size();
    qsizetype i = 0;
    int line = 1; // of the file, for the message of an unclosed quote
    bool atFieldStart = true;
    bool pending = false; // something of the current record was read

    auto endField = [&] {
        record.append(field);
        field.clear();
        atFieldStart = true;
    };
    auto endRecord = [&] {
        endField();
        records.append(record);
        record.clear();
        pending = false;
    };

    while (i < n) {
        const QChar c = text[i];
        if (atFieldStart && c == u'"') {
            // Quoted part: up to the closing quote. Without one the quote
            // would swallow every row after it.
            const int quoteLine = line;
            ++i;
            pending = true;
            bool closed = false;
            while (i < n) {
                if (text[i] == u'"') {
                    if (i + 1 < n && text[i + 1] == u'"') {
                        field.append(u'"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                if (text[i] == u'\n' || (text[i] == u'\r' && (i + 1 >= n || text[i + 1] != u'\n')))
                    ++line;
                field.append(text[i++]);
            }
            if (!closed)
                throw platform::RuntimeError(
                    QStringLiteral(
                        "%1행: 큰따옴표(\")로 시작한 칸이 닫히지 않았습니다. 파일을 확인하여 주십시오.")
                        .arg(quoteLine));
            atFieldStart = false;
            continue;
        }
        atFieldStart = false;
        if (c == u',') {
            endField();
            pending = true;
            ++i;
        } else if (c == u'\r' || c == u'\n') {
            endRecord();
            i += (c == u'\r' && i + 1 < n && text[i + 1] == u'\n') ? 2 : 1;
            ++line;
        } else {
            field.append(c);
            pending = true;
            ++i;
        }
    }
    if (pending)
        endRecord();
    return records;
}

namespace {

using platform::RuntimeError;

class CsvWorkbook : public Workbook {
public:
    explicit CsvWorkbook(const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw RuntimeError(QStringLiteral("%1: %2").arg(path, file.errorString()));
        const QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError)
            throw RuntimeError(QStringLiteral("%1: %2").arg(path, file.errorString()));
        try {
            m_records = parseCsv(decodeCsvText(bytes));
        } catch (const RuntimeError& e) {
            throw RuntimeError(QStringLiteral("%1: %2").arg(path, e.text()));
        }
        m_last = static_cast<int>(m_records.size());
        while (m_last > 0) {
            bool empty = true;
            for (const QString& f : m_records[m_last - 1])
                empty = empty && f.isEmpty();
            if (!empty)
                break;
            --m_last;
        }
    }

    int lastUsedRow() const override { return m_last; }

    QString cellText(int row, int col) const override {
        if (row < 1 || row > m_last || col < 1)
            return {};
        const QStringList& r = m_records[row - 1];
        return col <= r.size() ? r[col - 1] : QString();
    }

private:
    QList<QStringList> m_records;
    int m_last = 0;
};

} // namespace

std::unique_ptr<Workbook> openCsvWorkbook(const QString& path) {
    return std::make_unique<CsvWorkbook>(path);
}

} // namespace spreadsheet
