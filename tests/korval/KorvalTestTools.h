#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

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
