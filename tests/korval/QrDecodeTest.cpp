#include "KorvalQr.h"
#include "KorvalTestTools.h"
#include "QrCorpus.h"

#include <QTemporaryDir>
#include <QTextCodec>
#include <gtest/gtest.h>

#include <memory>

// Every corpus symbol, drawn straight from the module matrix, read back by zbarimg.
TEST(QrDecode, CorpusDecodesToTheExactInput)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    auto symbol = std::make_unique<QrSymbol>();
    for (const QrCorpusEntry &entry : qrCorpus()) {
        ASSERT_TRUE(encodeQrSymbol(*symbol, entry.level, entry.version, kQrMaskAutomatic,
                                   entry.data.constData()))
            << entry.name.toStdString();
        if (entry.version != 0) {
            EXPECT_EQ(symbol->version, entry.version);
        }
        const QString path = dir.filePath("symbol.pbm");
        ASSERT_TRUE(writePbm(pictureOfSymbol(*symbol, 2), path));
        EXPECT_EQ(zbarDecode(path), entry.data) << entry.name.toStdString();
    }
}

// In text mode zbarimg turns Kanji segments from Shift JIS into UTF-8.
TEST(QrDecode, KanjiReadsAsTheSameCharacters)
{
    QTemporaryDir dir;
    const QString text = QString::fromUtf8("日本語のラベル 2024");
    const QByteArray shiftJis = QTextCodec::codecForName("Shift-JIS")->fromUnicode(text);
    auto symbol = std::make_unique<QrSymbol>();
    ASSERT_TRUE(encodeQrSymbol(*symbol, kQrLevelM, 0, kQrMaskAutomatic, shiftJis.constData()));
    EXPECT_EQ(symbol->segments.at(symbol->segments.first()).mode, QrMode::Kanji);
    const QString path = dir.filePath("kanji.pbm");
    ASSERT_TRUE(writePbm(pictureOfSymbol(*symbol, 3), path));
    EXPECT_EQ(zbarDecode(path, true), shiftJis);
    EXPECT_EQ(QString::fromUtf8(zbarDecode(path, false)), text);
}
