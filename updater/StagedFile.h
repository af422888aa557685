#pragma once
// Writing into the download folder and the program directory: bytes go to a
// fresh file beside the final name and are renamed into place, so nobody sees
// half a file and a symbolic link lying at the name is replaced, never
// written through.
#include <QByteArray>
#include <QString>

#include <functional>

namespace updater {

// What lies at a path; a symbolic link is reported as such, not followed.
enum class PathKind { Missing, File, Link, Directory, Other };
PathKind pathKind(const QString& path);

// A plain file open for reading, never through a symbolic link; closed when
// it goes.
class PlainReader {
public:
    PlainReader() = default;
    ~PlainReader() { close(); }
    Q_DISABLE_COPY(PlainReader)

    // False, with the system's reason for lastSystemError(), when `path` is
    // missing, a link or something else than a plain file.
    bool open(const QString& path);
    qint64 size() const { return m_size; }
    // Up to `max` bytes: how many were read, 0 at the end, -1 on failure.
    qint64 read(char* data, qint64 max);
    // Keeps the reason of a failure before it.
    void close();

private:
    qintptr m_handle = -1;
    qint64 m_size = 0;
};

class StagedFile {
public:
    explicit StagedFile(const QString& target);
    // Removes the staged bytes unless they were placed.
    ~StagedFile();
    Q_DISABLE_COPY(StagedFile)

    // Creates the staged file next to the target, refusing anything already
    // lying at its own name.
    bool open();
    bool write(const char* data, qint64 size);
    // Appends the bytes of the plain file `source` (never read through a
    // symbolic link), showing each piece to `seen` as well.
    bool copyFrom(const QString& source, const std::function<void(const char*, qsizetype)>& seen);
    // Flushes the bytes to the disk, gives the file `mode` and closes it.
    bool finish(int mode);
    // Renames the staged file over the target name: an existing file or link
    // there is replaced, a folder is not.
    bool place();
    void discard();

    QString target() const { return m_target; }
    qint64 size() const { return m_size; }
    QString errorString() const { return m_error; }

private:
    bool failed(const QString& what);
    // One write call: how many bytes it took, or -1 with the system's reason.
    qint64 writeSome(const char* data, qint64 size);

    QString m_target;
    QByteArray m_staged; // local file name of the staged bytes
    int m_fd = -1;
    qint64 m_size = 0;
    bool m_placed = false;
    QString m_error;
};

// Reads a plain file, never through a symbolic link; *ok is false when it is
// missing, something else than a plain file, or larger than `limit` bytes.
QByteArray readPlainFile(const QString& path, qint64 limit, bool* ok);

// Makes `dir` a real folder: a symbolic link at its name is removed (its
// target left alone) and a missing folder is created. False when something
// else lies there.
bool ensureRealDirectory(const QString& dir);

// Creates an empty file with a fresh hidden name beside `target` and returns
// its path (empty on failure): a place to rename the target to while an
// update may still be undone.
QString reserveBeside(const QString& target);

// The system's text for the last failed call of this thread.
QString lastSystemError();

// Renames `from` to `to` (replacing a file or link at `to`); false with the
// system's reason in *error.
bool renamePath(const QString& from, const QString& to, QString* error = nullptr);

} // namespace updater
