#include "platform/FileAppend.h"

#include "platform/ProgramDir.h"

#include <QFile>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

bool appendToFile(const QString& path, QByteArrayView bytes, qint64* sizeAfter) {
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0664);
    if (fd < 0)
        return false;
    // Every operator of the workstation's group appends to it in turn.
    shareWithGroup(fd);
    const char* p = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
        if (n <= 0)
            break;
        p += n;
        left -= n;
    }
    struct stat st {};
    const bool sized = ::fstat(fd, &st) == 0;
    ::close(fd);
    if (left > 0)
        return false;
    if (sizeAfter && sized)
        *sizeAfter = st.st_size;
    return true;
}

} // namespace platform
