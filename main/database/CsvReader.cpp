#include "main/database/CsvReader.h"

#include "platform/Cp949.h"

#include <QStringDecoder>

namespace database {

QString decodeCsvText(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return platform::fromCp949(bytes);
}

QList<QStringList> parseCsv(QStringView text) {
    QList<QStringList> records;
    QStringList record;
    QString field;
    const qsizetype n = text.size();
    qsizetype i = 0;
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
            // Quoted part: up to the closing quote.
            ++i;
            pending = true;
            while (i < n) {
                if (text[i] == u'"') {
                    if (i + 1 < n && text[i + 1] == u'"') {
                        field.append(u'"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field.append(text[i++]);
            }
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

} // namespace database
