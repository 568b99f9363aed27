// korval called carelessly or maliciously: line breaks in arguments, builders that fail half
// way, a print repeated without a new label, and links where the spool file goes.
#include "KorvalState.h"
#include "KorvalTestSupport.h"
#include "korval.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

class KorvalHostileTest : public KorvalOutputTest
{};

struct Injection
{
    const char *name;
    std::function<int(const char *text)> call; // the text goes into one string argument
    int invalid;
};

// The first line break in text, for the builders that take a letter.
char lineBreakOf(const char *text)
{
    return *std::strpbrk(text, "\r\n");
}

// Every string or letter a builder writes into its command line, in turn.
std::vector<Injection> injections()
{
    const unsigned char bits[4] = {};
    return {
        {"DrawText", [](const char *t) { return OBX_DrawText(1, 2, 0, 2, 1, 1, 'N', t); }, -2016},
        {"DrawTextEx quoted",
         [](const char *t) { return OBX_DrawTextEx(1, 2, 0, 2, 1, 1, 'N', t, 0); }, -2018},
        {"DrawTextEx unquoted",
         [](const char *t) { return OBX_DrawTextEx(1, 2, 0, 2, 1, 1, 'N', t, 1); }, -2018},
        {"DrawBarcode data",
         [](const char *t) { return OBX_DrawBarcode(1, 2, 0, "1", 2, 4, 50, 'N', t); }, -2027},
        {"DrawBarcode symbology",
         [](const char *t) { return OBX_DrawBarcode(1, 2, 0, t, 2, 4, 50, 'N', "1"); }, -2027},
        {"DrawBarcodeEx",
         [](const char *t) { return OBX_DrawBarcodeEx(1, 2, 0, "1", 2, 4, 50, 'N', t, 0); }, -2029},
        {"DATAMATRIX", [](const char *t) { return OBX_DrawBar2D_DATAMATRIX(1, 2, 3, 4, 0, 1, t); },
         KORVAL_ERR_INVALID_DRAW_DATAMATRIX},
        {"QR", [](const char *t) { return OBX_DrawBar2D_QR(1, 2, 1, 2, 0, 8, 2, 1, 8, t); },
         KORVAL_ERR_INVALID_DRAW_QR},
        {"MaxiCode", [](const char *t) { return OBX_DrawBar2D_MaxiCode(1, 2, 2, 0, t); },
         KORVAL_ERR_INVALID_DRAW_MAXICODE},
        {"Pdf417",
         [](const char *t) { return OBX_DrawBar2D_Pdf417(1, 2, 3, 4, 0, 0, 2, 4, 0, 0, 0, 0, t); },
         -2043},
        {"HANXIN", [](const char *t) { return OBX_DrawBar2D_HANXIN(1, 2, 3, 4, 0, 1, 0, 0, 0, t); },
         KORVAL_ERR_INVALID_DRAW_HANXIN},
        {"RWRFIDLabel", [](const char *t) { return OBX_RWRFIDLabel(1, 2, 3, 4, 5, t); },
         KORVAL_ERR_INVALID_RW_RFID_LABEL},
        {"SetRFLabelPWAndLockRFLabel",
         [](const char *t) { return OBX_SetRFLabelPWAndLockRFLabel(1, 2, t); },
         KORVAL_ERR_INVALID_LOCK_RF_LABEL},
        {"RWRFIDLabelEx", [](const char *t) { return OBX_RWRFIDLabelEx(1, 2, 3, 4, 5, t); },
         KORVAL_ERR_INVALID_RW_RFID_LABEL_EX},
        {"DefineCounter step", [](const char *t) { return OBX_DefineCounter(1, 2, 'L', t, "p"); },
         -2101},
        {"DefineCounter prompt", [](const char *t) { return OBX_DefineCounter(1, 2, 'L', "1", t); },
         -2101},
        {"DefineVariable", [](const char *t) { return OBX_DefineVariable(1, 2, 'L', t); }, -2104},
        {"DownloadInitVar", [](const char *t) { return OBX_DownloadInitVar(t); },
         KORVAL_ERR_INVALID_DOWNLOAD_INIT_VAR},
        {"SetCharSets", [](const char *t) { return OBX_SetCharSets(8, '0', t); },
         KORVAL_ERR_INVALID_SET_CHAR_SETS},
        {"SetCharSets code page",
         [](const char *t) { return OBX_SetCharSets(8, lineBreakOf(t), "001"); },
         KORVAL_ERR_INVALID_SET_CHAR_SETS},
        {"RenameDownloadFont", [](const char *t) { return OBX_RenameDownloadFont(1, 'A', t); },
         KORVAL_ERR_INVALID_RENAME_DOWNLOAD_FONT},
        {"SetBarCodeFontName",
         [](const char *t) { return OBX_SetBarCodeFontName(lineBreakOf(t), 1, 2); },
         KORVAL_ERR_INVALID_SET_BARCODE_FONT_NAME},
        {"FormDel", [](const char *t) { return OBX_FormDel(t); }, -2089},
        {"FormDownload", [](const char *t) { return OBX_FormDownload(t); }, -2092},
        {"ExecForm", [](const char *t) { return OBX_ExecForm(t); }, -2096},
        {"PcxGraphicsDel", [](const char *t) { return OBX_PcxGraphicsDel(t); }, -2049},
        {"DrawPcxGraphics", [](const char *t) { return OBX_DrawPcxGraphics(1, 2, t); }, -2058},
        {"BinGraphicsDel", [](const char *t) { return OBX_BinGraphicsDel(t); }, -2070},
        {"BinGraphicsDownload",
         [bits](const char *t) { return OBX_BinGraphicsDownload(t, 2, 2, bits); },
         KORVAL_ERR_INVALID_BIN_DOWNLOAD},
        {"RecallBinGraphics", [](const char *t) { return OBX_RecallBinGraphics(1, 2, t); }, -2076},
    };
}

} // namespace

// A CR or LF in any argument is refused with the builder's invalid-argument code and writes
// nothing; quotes and other bytes are still written unchanged.
TEST_F(KorvalHostileTest, LineBreaksInArgumentsAreRefused)
{
    for (const Injection &injection : injections()) {
        for (const char *text : {"A\r\nW1,1", "\nW1,1", "A\r"}) {
            SCOPED_TRACE(std::string(injection.name) + " with " + text);
            EXPECT_EQ(injection.call(text), injection.invalid);
            EXPECT_EQ(OBX_GetErrState(), injection.invalid);
            EXPECT_EQ(writtenSince(), "");
        }
    }
    EXPECT_EQ(OBX_DrawText(1, 2, 0, 2, 1, 1, 'N', "say \"hi\"\t\x01"), 0);
    EXPECT_EQ(writtenSince(), "T1,2,0,2,1,1,N,\"say \"hi\"\t\x01\"\r\n");
}

// A builder that fails writes nothing: the printer would read the next command as data.
TEST_F(KorvalHostileTest, FailedBuildersWriteNothing)
{
    EXPECT_EQ(OBX_DrawBinGraphics(1, 2, 2, 2, nullptr), KORVAL_ERR_DATA_DRAW_BIN);
    EXPECT_EQ(writtenSince(), "");
    EXPECT_EQ(OBX_BinGraphicsDownload("R", 2, 2, nullptr), KORVAL_ERR_DATA_BIN_DOWNLOAD);
    EXPECT_EQ(writtenSince(), "");
    EXPECT_EQ(OBX_PcxGraphicsDownload("P", "/tmp"), KORVAL_ERR_OPEN_PCX_DOWNLOAD);
    EXPECT_EQ(writtenSince(), "");
    // Nothing to draw is no data and still one whole command.
    EXPECT_EQ(OBX_DrawBinGraphics(1, 2, 0, 0, nullptr), 0);
    EXPECT_EQ(writtenSince(), "GW1,2,0,0");
    writeWholeFile(work.file("g.pcx"), "0123456789");
    EXPECT_EQ(OBX_PcxGraphicsDownload("G", work.file("g.pcx").c_str()), 0);
    EXPECT_EQ(writtenSince(), "GM\"G\"10\r\n0123456789");
}

// A label is sent once: a second print without a new spool file sends nothing.
TEST_F(KorvalHostileTest, APrintIsNeverSentTwice)
{
    const std::string printer = usb.deviceNode(0);
    EXPECT_EQ(OBX_SetDarkness(3), 0);
    EXPECT_EQ(OBX_PrintLabel(1, 1), 0);
    const std::string once = "N\r\nH3\r\nW1,1\r\n";
    EXPECT_EQ(readWholeFile(printer), once);
    EXPECT_EQ(OBX_PrintLabel(1, 1), KORVAL_ERR_WRITE_PRINT_LABEL);
    EXPECT_EQ(OBX_PrintLabel(0, 1), KORVAL_ERR_INVALID_PRINT_LABEL);
    EXPECT_EQ(readWholeFile(printer), once) << "the old label went out again";
    // Bad counts on a fresh label still send it, without W.
    EXPECT_EQ(OBX_ClearBuffer(), 0);
    EXPECT_EQ(OBX_PrintLabel(0, 1), KORVAL_ERR_INVALID_PRINT_LABEL);
    EXPECT_EQ(readWholeFile(printer), once + "N\r\n");
}

// The spool file is never written through a link put in its place.
TEST_F(KorvalHostileTest, SpoolFileIsNotWrittenThroughALink)
{
    korvalCloseSpoolFile();
    const std::string target = work.file("precious");
    writeWholeFile(target, "keep me");
    ASSERT_EQ(unlink(spoolPath().c_str()), 0);
    ASSERT_EQ(symlink(target.c_str(), spoolPath().c_str()), 0);
    EXPECT_EQ(OBX_ClearBuffer(), KORVAL_ERR_SPOOL_CREATE);
    EXPECT_EQ(readWholeFile(target), "keep me");
}
