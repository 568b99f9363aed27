#pragma once

#include <cstddef>
#include <cstdint>
#include <windows.h>

// The seams keep their open objects in the int fields that the POSIX files use for
// descriptors. Kernel handles carry only 32 significant bits on 64-bit Windows (they are
// shared with 32-bit processes), so they survive the round trip; INVALID_HANDLE_VALUE
// becomes -1, the value every caller already treats as "not open".
inline int korvalHandleToInt(HANDLE handle)
{
    return static_cast<int>(reinterpret_cast<intptr_t>(handle));
}

inline HANDLE korvalIntToHandle(int value)
{
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(value));
}

// One synchronous WriteFile of the whole block to the handle kept in fd; the bytes
// written, 0 on failure or for a block larger than one WriteFile takes.
inline size_t korvalHandleWrite(int fd, const void *data, size_t size)
{
    if (fd < 0 || size > MAXDWORD)
        return 0;
    DWORD written = 0;
    if (!WriteFile(korvalIntToHandle(fd), data, DWORD(size), &written, nullptr))
        return 0;
    return written;
}
