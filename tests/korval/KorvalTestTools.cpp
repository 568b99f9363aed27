#include "KorvalTestTools.h"

#include "KorvalQr.h"

#include <QFile>
#include <QProcess>

QByteArray runTool(const QString &program, const QStringList &arguments, const QByteArray &input,
                   int *exitCode)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(10000))
        return QByteArray();
    if (!input.isEmpty())
        process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(60000);
    if (exitCode != nullptr)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return process.readAllStandardOutput();
}

Picture pictureOfSymbol(const QrSymbol &symbol, int scale)
{
    constexpr int QuietZone = 4;
    Picture p;
    p.width = p.height = (symbol.size + 2 * QuietZone) * scale;
    p.black.assign(static_cast<size_t>(p.width) * p.height, false);
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
            const int mx = x / scale - QuietZone;
            const int my = y / scale - QuietZone;
            if (mx >= 0 && my >= 0 && mx < symbol.size && my < symbol.size)
                p.black[static_cast<size_t>(y) * p.width + x] = symbol.isDark(mx, my);
        }
    }
    return p;
}

bool writePbm(const Picture &picture, const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray data = QByteArray("P4\n") + QByteArray::number(picture.width) + ' ' +
                      QByteArray::number(picture.height) + '\n';
    const int rowBytes = (picture.width + 7) / 8;
    for (int y = 0; y < picture.height; ++y) {
        QByteArray row(rowBytes, '\0');
        for (int x = 0; x < picture.width; ++x) {
            if (picture.at(x, y))
                row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
        }
        data += row;
    }
    return file.write(data) == data.size();
}

QByteArray zbarDecode(const QString &imagePath, bool binary)
{
    QStringList args{"--nodbus", "--raw", "-q"};
    if (binary)
        args << "-Sbinary";
    args << imagePath;
    QByteArray out = runTool("zbarimg", args);
    if (!binary && out.endsWith('\n'))
        out.chop(1);
    return out;
}
