#pragma once
// The main program's two append-only logs in the program directory:
// "error.log" (printer status, socket events, search rows) and
// "detail_error.log" (failure reports, issue trace lines).
// Each line: "[YY/MM/DD HH:MM:SS]" + text + CR LF, in CP949; the file is
// opened, appended and closed per line, and any failure is swallowed.
#include <QByteArray>
#include <QString>
#include <ctime>
#include <initializer_list>
#include <string>
#include <vector>

namespace core {

// error.log lines carry what the printer sent: a line keeps at most
// kMaxStatusLineBytes of it and counts the rest, so that a printer sending
// garbage cannot fill the disk.
inline constexpr qsizetype kMaxStatusLineBytes = 4096;
QByteArray capStatusLine(const QByteArray& bytes);
void WriteLog(const QString& sLogData);
void WriteDetailLog(const QString& sLogData);

// The frame "[YY/MM/DD HH:MM:SS]" of a moment in local time, as every line
// of the writers here begins.
QByteArray logFrame(std::time_t when);
// Appends one framed line to the named file of the program directory.
void appendLogLine(const QString& fileName, const QString& text);

// Lines for one log that a long loop writes row after row (a search writes one
// status line per result row): each line is framed with the time it was
// added, and the lines are appended in order with one open-append-close per
// block of about a megabyte instead of one per line, at the latest when the
// batch ends. The bytes are those appendLogLine writes for the same text.
class LogBatch {
public:
    explicit LogBatch(const QString& fileName) : m_fileName(fileName) {}
    ~LogBatch() { flush(); }
    Q_DISABLE_COPY(LogBatch)
    void add(const QString& text) { add({QStringView(text)}); }
    // One line of these parts joined, encoded straight into the block.
    void add(std::initializer_list<QStringView> parts);
    void flush();

private:
    void appendText(QStringView text);

    QString m_fileName;
    std::string m_pending;
    // The frame is the same for every line of one second.
    std::time_t m_frameTime = -1;
    QByteArray m_frame;
    // The code page bytes of the texts that are not plain ASCII, by their
    // hash: a search's item and size names repeat row after row.
    struct Encoded {
        QString text;
        QByteArray bytes;
    };
    static constexpr size_t kEncodedSlots = 1024;
    std::vector<Encoded> m_encoded = std::vector<Encoded>(kEncodedSlots);
};

} // namespace core
