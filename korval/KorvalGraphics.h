#pragma once

// Writes a 1-bit bitmap (rows of width / 8 bytes, set bits paper) as the PCX file
// <current directory>/ombrix.pcx, then deletes and downloads the graphic under name and
// deletes the file again, whatever happened. Returns the download's result, which is also
// stored as the last error; -3071 no output open; -2022 not a 1-bit bitmap of whole bytes;
// -2023 the file cannot be created or written; -2025 a row encodes beyond 1,024 bytes.
int downloadBitmapAsPcx(const unsigned char *bits, int width, int height, int depth,
                        const char *name);
