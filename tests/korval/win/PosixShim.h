#pragma once

// The shared builder tests make a spool file on a full disk with a symbolic link to
// /dev/full, which Windows has not; that case fails here and is left out of the Wine run.
#include <unistd.h>

inline int symlink(const char *, const char *)
{
    return -1;
}
