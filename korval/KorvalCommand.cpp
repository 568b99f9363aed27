#include "KorvalCommand.h"

#include "KorvalSpool.h"

#include <cstring>

namespace {

constexpr size_t kLongestName = 16; // the printer's limit for stored forms and graphics

} // namespace

int korvalCommand(int writeCode, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    const int result = korvalWriteCommandV(format, args);
    va_end(args);
    return result == 0 ? 0 : korvalFail(writeCode);
}

int korvalFixedCommand(int noOutputCode, int writeCode, const char *text)
{
    if (!korvalOutputOpen())
        return korvalFail(noOutputCode);
    return korvalCommand(writeCode, "%s", text);
}

bool korvalLineText(const char *text)
{
    return !text || std::strpbrk(text, "\r\n") == nullptr;
}

bool korvalNameValid(const char *name)
{
    const size_t length = name ? std::strlen(name) : 0;
    return length >= 1 && length <= kLongestName && korvalLineText(name);
}

int korvalNamedCommand(int noOutputCode, int invalidCode, int writeCode, const char *word,
                       const char *name)
{
    if (!korvalOutputOpen())
        return korvalFail(noOutputCode);
    if (!korvalNameValid(name))
        return korvalFail(invalidCode);
    return korvalCommand(writeCode, "%s\"%s\"\r\n", word, name);
}
