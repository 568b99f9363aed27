// The spool file on Windows: the process's current directory, a file opened without
// buffering of our own so that each command is one WriteFile, and DeleteFileA.
#include "KorvalSpoolFile.h"
#include "KorvalWin32Handle.h"

#include <vector>

namespace {

// The builders join the directory and the name with '/'; Windows takes it, but the path
// is kept in the system's own shape for anyone who reads it back.
std::string nativePath(std::string path)
{
    for (char &c : path) {
        if (c == '/')
            c = '\\';
    }
    return path;
}

} // namespace

std::string korvalCurrentDirectory()
{
    const DWORD needed = GetCurrentDirectoryA(0, nullptr);
    if (needed == 0)
        return std::string();
    std::vector<char> buffer(needed);
    const DWORD length = GetCurrentDirectoryA(needed, buffer.data());
    if (length == 0 || length >= needed)
        return std::string();
    std::string dir(buffer.data(), length);
    // A drive root already ends in a separator ("C:\"); the file name brings its own.
    if (!dir.empty() && (dir.back() == '\\' || dir.back() == '/'))
        dir.pop_back();
    return dir;
}

int korvalSpoolFileCreate(const std::string &path)
{
    const HANDLE file =
        CreateFileA(nativePath(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    return file == INVALID_HANDLE_VALUE ? -1 : korvalHandleToInt(file);
}

size_t korvalSpoolFileWrite(int fd, const void *data, size_t size)
{
    return korvalHandleWrite(fd, data, size);
}

void korvalSpoolFileClose(int fd)
{
    if (fd >= 0)
        CloseHandle(korvalIntToHandle(fd));
}

void korvalSpoolFileDelete(const std::string &path)
{
    if (!path.empty())
        DeleteFileA(nativePath(path).c_str());
}
