#pragma once

// Writes a 1-bit bitmap (rows of width / 8 bytes, set bits paper) as the PCX file
// <current directory>/ombrix.pcx, then deletes and downloads the graphic under name and
// deletes the file again, whatever happened. Returns the download's result, which is also
// stored as the last error; KORVAL_ERR_NO_OUTPUT_PCX_BITMAP, KORVAL_ERR_PCX_BITMAP (not a
// 1-bit bitmap of whole bytes), KORVAL_ERR_PCX_CREATE or KORVAL_ERR_PCX_ROW_TOO_LONG.
int downloadBitmapAsPcx(const unsigned char *bits, int width, int height, int depth,
                        const char *name);
