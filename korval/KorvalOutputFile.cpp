#include "KorvalOutputFile.h"

#if defined(_WIN32)

std::FILE *korvalCreateOutputFile(const std::string &path)
{
    return std::fopen(path.c_str(), "wb");
}

#else

#include <fcntl.h>
#include <unistd.h>

std::FILE *korvalCreateOutputFile(const std::string &path)
{
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0)
        return nullptr;
    std::FILE *file = ::fdopen(fd, "wb");
    if (!file)
        ::close(fd);
    return file;
}

#endif
