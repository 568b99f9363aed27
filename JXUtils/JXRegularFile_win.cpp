#include "JXUtils/JXRegularFile.h"

#include <QDir>

#include <windows.h>

namespace {
// Opens path for reading without following it into a device: a name such as "NUL" or
// "COM1" opens a device anywhere in a folder, which GetFileType tells apart.
HANDLE openExisting(const QString &path, DWORD access)
{
    const std::wstring name = QDir::toNativeSeparators(path).toStdWString();
    return CreateFileW(name.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

JXRegularFile::Kind kindOf(HANDLE file, qint64 maxBytes)
{
    BY_HANDLE_FILE_INFORMATION info = {};
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return JXRegularFile::NotRegular;
    const qint64 size = (qint64(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    return size > maxBytes ? JXRegularFile::TooLarge : JXRegularFile::Regular;
}
} // namespace

JXRegularFile::Kind JXRegularFile::check(const QString &path, qint64 maxBytes)
{
    const HANDLE file = openExisting(path, 0);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Absent : NotRegular;
    }
    const Kind kind = kindOf(file, maxBytes);
    CloseHandle(file);
    return kind;
}

bool JXRegularFile::read(const QString &path, qint64 maxBytes, QByteArray &out)
{
    out.clear();
    const HANDLE file = openExisting(path, GENERIC_READ);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool ok = kindOf(file, maxBytes) == Regular;
    if (ok) {
        // The file may grow after the size was read: never take more than maxBytes + 1.
        out.resize(static_cast<int>(maxBytes) + 1);
        qint64 got = 0;
        DWORD n = 0;
        while (got < out.size() &&
               (ok = ReadFile(file, out.data() + got, DWORD(out.size() - got), &n, nullptr)) &&
               n > 0)
            got += n;
        ok = ok && got <= maxBytes;
        out.resize(ok ? static_cast<int>(got) : 0);
    }
    CloseHandle(file);
    return ok;
}
