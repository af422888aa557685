// The staged file on Windows: a fresh name created exclusively beside the
// target, flushed to the disk and moved over the target in one step. A
// reparse point (symbolic link or junction) at a name is a link: replaced,
// never written or read through.
#include "updater/StagedFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <windows.h>

namespace updater {

namespace {

std::wstring native(const QString& path) {
    return QDir::toNativeSeparators(path).toStdWString();
}

} // namespace

QString lastSystemError() {
    const DWORD code = GetLastError();
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    const QString s = text ? QString::fromWCharArray(text).trimmed() : QStringLiteral("error %1").arg(code);
    LocalFree(text);
    return s;
}

namespace {

// A hidden name beside the target, created exclusively.
HANDLE createBeside(const QString& target, QString* name) {
    const QFileInfo t(target);
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QString candidate = t.path() + QStringLiteral("/.") + t.fileName() + QLatin1Char('.') +
                                  QString::number(QRandomGenerator::global()->generate(), 36);
        HANDLE h = CreateFileW(native(candidate).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            *name = candidate;
            return h;
        }
        if (GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    return INVALID_HANDLE_VALUE;
}

HANDLE openPlain(const QString& path) {
    return CreateFileW(native(path).c_str(), GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

bool isPlainFile(HANDLE h) {
    BY_HANDLE_FILE_INFORMATION info{};
    return GetFileInformationByHandle(h, &info) &&
           !(info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
}

HANDLE asHandle(int fd) {
    return fd < 0 ? INVALID_HANDLE_VALUE : reinterpret_cast<HANDLE>(static_cast<intptr_t>(fd));
}

} // namespace

PathKind pathKind(const QString& path) {
    const DWORD a = GetFileAttributesW(native(path).c_str());
    if (a == INVALID_FILE_ATTRIBUTES) {
        const DWORD e = GetLastError();
        return e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND ? PathKind::Missing : PathKind::Other;
    }
    if (a & FILE_ATTRIBUTE_REPARSE_POINT)
        return PathKind::Link;
    if (a & FILE_ATTRIBUTE_DIRECTORY)
        return PathKind::Directory;
    return PathKind::File;
}

// The handle is kept in m_fd (Windows handles fit in an int).
bool StagedFile::open() {
    discard();
    m_placed = false;
    m_size = 0;
    QString name;
    HANDLE h = createBeside(m_target, &name);
    if (h == INVALID_HANDLE_VALUE)
        return failed(QStringLiteral("create"));
    m_fd = static_cast<int>(reinterpret_cast<intptr_t>(h));
    m_staged = QFile::encodeName(name);
    return true;
}

qint64 StagedFile::writeSome(const char* data, qint64 size) {
    DWORD n = 0;
    if (!WriteFile(asHandle(m_fd), data, DWORD(std::min<qint64>(size, 1 << 20)), &n, nullptr))
        return -1;
    return n;
}

bool PlainReader::open(const QString& path) {
    close();
    HANDLE h = openPlain(path);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size{};
    if (!isPlainFile(h) || !GetFileSizeEx(h, &size)) {
        CloseHandle(h);
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    m_handle = reinterpret_cast<qintptr>(h);
    m_size = size.QuadPart;
    return true;
}

qint64 PlainReader::read(char* data, qint64 max) {
    DWORD n = 0;
    if (!ReadFile(reinterpret_cast<HANDLE>(m_handle), data, DWORD(std::min<qint64>(max, 1 << 20)), &n,
                  nullptr))
        return -1;
    return n;
}

void PlainReader::close() {
    if (m_handle < 0)
        return;
    const DWORD e = GetLastError();
    CloseHandle(reinterpret_cast<HANDLE>(m_handle));
    SetLastError(e);
    m_handle = -1;
}

bool StagedFile::finish(int) {
    if (m_fd < 0)
        return false;
    // Windows has no mode bits: the folder's rights apply to the new file.
    if (!FlushFileBuffers(asHandle(m_fd)))
        return failed(QStringLiteral("flush"));
    const bool closed = CloseHandle(asHandle(m_fd));
    m_fd = -1;
    if (!closed)
        return failed(QStringLiteral("close"));
    // Visible once in place.
    SetFileAttributesW(native(QFile::decodeName(m_staged)).c_str(), FILE_ATTRIBUTE_NORMAL);
    return true;
}

void StagedFile::discard() {
    if (m_fd >= 0) {
        CloseHandle(asHandle(m_fd));
        m_fd = -1;
    }
    if (!m_placed && !m_staged.isEmpty())
        DeleteFileW(native(QFile::decodeName(m_staged)).c_str());
    m_staged.clear();
}

QString reserveBeside(const QString& target) {
    QString name;
    HANDLE h = createBeside(target, &name);
    if (h == INVALID_HANDLE_VALUE)
        return {};
    CloseHandle(h);
    return name;
}

bool ensureRealDirectory(const QString& dir) {
    switch (pathKind(dir)) {
    case PathKind::Directory:
        return true;
    case PathKind::Link:
        // A link to a folder is removed as a folder, a link to a file as a file.
        if (!RemoveDirectoryW(native(dir).c_str()) && !DeleteFileW(native(dir).c_str()))
            return false;
        [[fallthrough]];
    case PathKind::Missing:
        return CreateDirectoryW(native(dir).c_str(), nullptr);
    default:
        return false;
    }
}

bool renamePath(const QString& from, const QString& to, QString* error) {
    if (MoveFileExW(native(from).c_str(), native(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    if (error)
        *error = lastSystemError();
    return false;
}

} // namespace updater
