#pragma once

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
