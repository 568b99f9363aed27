#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A decoded one-bit PCX graphic as the printer stores it: a clear bit is ink.
struct PcxImage
{
    int width = 0;
    int height = 0;
    int bytesPerLine = 0;
    uint8_t version = 0;
    std::vector<uint8_t> rows; // height * bytesPerLine decoded bytes, as in the file

    bool isInk(int x, int y) const
    {
        return !((rows[static_cast<size_t>(y) * bytesPerLine + x / 8] >> (7 - x % 8)) & 1);
    }
};

// Decodes the run-length data of a 1-bit, one-plane PCX file. False with a reason for a
// file that is not one or ends early.
bool decodePcx(const uint8_t *data, size_t size, PcxImage &out, std::string &error);
