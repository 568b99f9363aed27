#pragma once

#include "KorvalTrueType.h"

#include <string>

// A rendered text line on disk, so that one platform's rendering can be compared with
// another's: one text line "bitmapWidth bitmapHeight textWidth textHeight placeX placeY
// textX textY", then the bitmap's bytes (set bits are paper).
bool writeTextLineFile(const std::string &path, const RenderedLine &line);
bool readTextLineFile(const std::string &path, RenderedLine &line);

// The three lines of the device label's worked example, the same first line in each of
// the eight orientations (indexes 3...10), and a UTF-8 line beyond ASCII (11).
TrueTypeLine textLineCase(int index);
constexpr int kTextLineCases = 12;
