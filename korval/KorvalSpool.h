#pragma once

#include <cstdarg>

// korvalWriteCommand with a va_list, for builders that forward their own arguments.
int korvalWriteCommandV(const char *format, va_list args);
