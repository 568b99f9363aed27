#include "JXUtils/JXRegularFile.h"

#include <QFile>

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
JXRegularFile::Kind kindOf(const struct stat &info, qint64 maxBytes)
{
    if (!S_ISREG(info.st_mode))
        return JXRegularFile::NotRegular;
    return info.st_size > maxBytes ? JXRegularFile::TooLarge : JXRegularFile::Regular;
}
} // namespace

JXRegularFile::Kind JXRegularFile::check(const QString &path, qint64 maxBytes)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat info;
    if (::stat(name.constData(), &info) == 0)
        return kindOf(info, maxBytes);
    if (::lstat(name.constData(), &info) == 0)
        return NotRegular; // a link to nothing: writing would create its target elsewhere
    return errno == ENOENT ? Absent : NotRegular;
}

bool JXRegularFile::read(const QString &path, qint64 maxBytes, QByteArray &out)
{
    out.clear();
    const QByteArray name = QFile::encodeName(path);
    // O_NONBLOCK: opening a FIFO without a writer returns at once; regular files ignore it.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    struct stat info;
    bool ok = ::fstat(fd, &info) == 0 && kindOf(info, maxBytes) == Regular;
    if (ok) {
        // The file may grow after fstat: never take more than maxBytes + 1.
        out.resize(static_cast<int>(maxBytes) + 1);
        qint64 got = 0;
        while (got < out.size()) {
            const ssize_t n = ::read(fd, out.data() + got, static_cast<size_t>(out.size() - got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                ok = n == 0;
                break;
            }
            got += n;
        }
        ok = ok && got <= maxBytes;
        out.resize(ok ? static_cast<int>(got) : 0);
    }
    ::close(fd);
    return ok;
}
