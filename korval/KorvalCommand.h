#pragma once

#include "KorvalState.h"

// Helpers of the command builders. Each builder tests the output first, then its
// arguments, then writes its one command.

// Formats one command and writes it: 0, or writeCode (stored) when the write fell short.
int korvalCommand(int writeCode, const char *format, ...) KORVAL_PRINTF(2, 3);

// A command of fixed text: the output test, then the text.
int korvalFixedCommand(int noOutputCode, int writeCode, const char *text);

// Strings from callers may be null; they are written as empty text.
inline const char *korvalText(const char *text)
{
    return text ? text : "";
}

// Text written into a command line holds no CR or LF, which would end the line there and
// start a command of the caller's making. Null is empty text.
bool korvalLineText(const char *text);
inline bool korvalLineChar(char c)
{
    return c != '\r' && c != '\n';
}

// Names of forms and graphics in the printer: 1 to 16 bytes, no line break.
bool korvalNameValid(const char *name);

// A command that carries one stored name: <word>"<name>". The output test, the name
// check (invalidCode), then the write.
int korvalNamedCommand(int noOutputCode, int invalidCode, int writeCode, const char *word,
                       const char *name);

inline bool korvalInRange(int value, int low, int high)
{
    return value >= low && value <= high;
}
