#include "KorvalTestTools.h"

#include "KorvalQr.h"
#include "PcxImage.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

#include <cstdlib>

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
    constexpr int kQuietZone = 4;
    Picture p;
    p.width = p.height = (symbol.size + 2 * kQuietZone) * scale;
    p.black.assign(static_cast<size_t>(p.width) * p.height, false);
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
            const int mx = x / scale - kQuietZone;
            const int my = y / scale - kQuietZone;
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

void keepPcxForReaderCheck(const uint8_t *pcx, size_t size)
{
    const char *folder = std::getenv("KORVAL_PCX_DIR");
    if (folder == nullptr || *folder == '\0')
        return;
    PcxImage image;
    std::string error;
    if (!decodePcx(pcx, size, image, error))
        return;
    Picture ours;
    ours.width = image.width;
    ours.height = image.height;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x)
            ours.black.push_back(image.isInk(x, y));
    }
    static int kept = 0; // tests run one at a time
    const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
    const QString base = QDir(folder).filePath(
        QString("%1.%2-%3")
            .arg(test ? test->test_suite_name() : "none", test ? test->name() : "none")
            .arg(++kept)
            .replace('/', '_'));
    QFile file(base + ".pcx");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(reinterpret_cast<const char *>(pcx), static_cast<qint64>(size)),
              static_cast<qint64>(size));
    ASSERT_TRUE(writePbm(ours, base + ".pbm"));
}

void keepPcxForReaderCheck(const std::string &pcx)
{
    keepPcxForReaderCheck(reinterpret_cast<const uint8_t *>(pcx.data()), pcx.size());
}

void keepPcxForReaderCheck(const std::vector<uint8_t> &pcx)
{
    keepPcxForReaderCheck(pcx.data(), pcx.size());
}
