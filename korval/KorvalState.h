#pragma once

#include <cstdint>

// The one process-wide state record of the library. Every export acts on it; callers use
// the library from one thread, so it is not locked.
struct KorvalState
{
    int32_t lastError = 0;
};

KorvalState &korvalState();

// Stores code as the last error and returns it, so failing exports can `return fail(code)`.
int korvalFail(int code);
