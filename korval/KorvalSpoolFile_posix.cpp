#include "KorvalSpoolFile.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

std::string korvalCurrentDirectory()
{
    char *dir = getcwd(nullptr, 0);
    if (!dir)
        return std::string();
    std::string result(dir);
    std::free(dir);
    return result;
}

int korvalSpoolFileCreate(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd >= 0)
        posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return fd;
}

size_t korvalSpoolFileWrite(int fd, const void *data, size_t size)
{
    ssize_t n;
    do {
        n = ::write(fd, data, size);
    } while (n < 0 && errno == EINTR);
    return n > 0 ? size_t(n) : 0;
}

void korvalSpoolFileClose(int fd)
{
    if (fd >= 0)
        ::close(fd);
}

void korvalSpoolFileDelete(const std::string &path)
{
    if (!path.empty())
        ::unlink(path.c_str());
}
