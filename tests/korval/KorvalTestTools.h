#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct QrSymbol;

// Runs a program to completion and returns its standard output (empty on failure).
QByteArray runTool(const QString &program, const QStringList &arguments,
                   const QByteArray &input = QByteArray(), int *exitCode = nullptr);

// A 1-bit picture, true = black, rows top first.
struct Picture
{
    int width = 0;
    int height = 0;
    std::vector<bool> black;
    bool at(int x, int y) const { return black[static_cast<size_t>(y) * width + x]; }
};

// The symbol's modules with a four-module quiet zone, each module scale x scale pixels.
Picture pictureOfSymbol(const QrSymbol &symbol, int scale);

// Writes a picture as a binary PBM; returns false when the file cannot be written.
bool writePbm(const Picture &picture, const QString &path);

// Decodes every QR symbol in an image file with zbarimg; binary keeps the symbol's bytes
// unconverted (Kanji stays Shift JIS), otherwise zbarimg's own text conversion is used.
QByteArray zbarDecode(const QString &imagePath, bool binary = true);

// When the environment names a folder in KORVAL_PCX_DIR, keeps a PCX file that a test
// produced there as <suite>.<test>-<n>.pcx, and beside it <...>.pbm with the pixels our
// reader (label-preview's) takes from it, black for ink. check_pcx_with_pil.sh runs the
// PCX tests so and has Python's PIL read every kept file. Files our reader refuses are
// not kept; without the variable nothing happens.
void keepPcxForReaderCheck(const uint8_t *pcx, size_t size);
void keepPcxForReaderCheck(const std::string &pcx);
void keepPcxForReaderCheck(const std::vector<uint8_t> &pcx);
