#pragma once

#include <cstdio>
#include <string>

// The PCX files the library writes (ombrix.pcx, <bmp>.pcx) are created or truncated only as
// files of their own: a symbolic link in their place is refused, never followed to
// overwrite its target. Opened "wb", or nullptr.
std::FILE *korvalCreateOutputFile(const std::string &path);
