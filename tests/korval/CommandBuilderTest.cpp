// Every builder's exact command text, its argument checks and its three result codes.
#include "KorvalState.h"
#include "KorvalTestSupport.h"
#include "korval.h"

#include <csignal>
#include <functional>
#include <string>
#ifndef _WIN32
#include <sys/resource.h>
#endif
#include <unistd.h>
#include <vector>

namespace {

struct Builder
{
    const char *name;
    std::function<int()> call; // with valid arguments
    std::string text;          // what that call writes
    int writeFailed;
    int noOutput;
};

const std::vector<Builder> &builders()
{
    static const std::vector<Builder> kTable = {
        {"GetInfo", [] { return OBX_GetInfo(); },
         "T60,60,0,2,1,1,N,\"KORVAL.DLL Ver: 10.0.0.5180712\"\r\n", -2000, -3000},
        {"SetDarkness", [] { return OBX_SetDarkness(14); }, "H14\r\n", -2003, -3002},
        {"SetPrintSpeed", [] { return OBX_SetPrintSpeed(5); }, "S5\r\n", -2004, -3003},
        {"SetLabelHeight", [] { return OBX_SetLabelHeight(540, 24, 0, 0); }, "Q540,24\r\n", -2006,
         -3004},
        {"SetLabelWidth", [] { return OBX_SetLabelWidth(529); }, "q529\r\n", -2007, -3005},
        {"SetDirection", [] { return OBX_SetDirection('B'); }, "ZB\r\n", -2008, -3006},
        {"SetCoordinateOrigin", [] { return OBX_SetCoordinateOrigin(10, -5); }, "R10,-5\r\n", -2010,
         -3007},
        {"PrintLabelAuto", [] { return OBX_PrintLabelAuto(2, 3); }, "WA2,3\r\n", -2013, -3009},
        {"DrawText", [] { return OBX_DrawText(10, 20, 0, 3, 1, 2, 'N', "Hello"); },
         "T10,20,0,3,1,2,N,\"Hello\"\r\n", -2015, -3010},
        {"DrawTextEx", [] { return OBX_DrawTextEx(10, 20, 1, 'C', 2, 2, 'R', "Hi", 0); },
         "T10,20,1,C,2,2,R,\"Hi\"\r\n", -2017, -3011},
        {"DrawBarcode", [] { return OBX_DrawBarcode(30, 40, 0, "1", 2, 4, 50, 'B', "12345"); },
         "B30,40,0,1,2,4,50,B,\"12345\"\r\n", -2026, -3013},
        {"DrawBarcodeEx",
         [] { return OBX_DrawBarcodeEx(30, 40, 1, "E30", 2, 4, 50, 'N', "V00", 1); },
         "B30,40,1,E30,2,4,50,N,V00\r\n", -2027, -3014},
        {"DrawBar2D_DATAMATRIX", [] { return OBX_DrawBar2D_DATAMATRIX(5, 6, 7, 8, 1, 2, "dm"); },
         "b5,6,DX,7,8,o1,m2,\"dm\"\r\n", -2031, -3015},
        {"DrawBar2D_QR", [] { return OBX_DrawBar2D_QR(40, 60, 1, 2, 0, 8, 2, 1, 8, "ABC123"); },
         "b40,60,QR,1,2,o0,r8,m2,g1,s8,\"ABC123\"\r\n", -2034, -3016},
        {"DrawBar2D_MaxiCode", [] { return OBX_DrawBar2D_MaxiCode(1, 2, 3, 1, "mx"); },
         "b1,2,M,3,1,\"mx\"\r\n", -2039, -3018},
        {"DrawBar2D_Pdf417",
         [] { return OBX_DrawBar2D_Pdf417(1, 2, 300, 100, 3, 0, 2, 10, 5, 6, 1, 2, "pdf"); },
         "b1,2,P,300,100,s3,c0,x2,y10,r5,l6,t1,o2,\"pdf\"\r\n", -2042, -3019},
        {"DrawBar2D_HANXIN", [] { return OBX_DrawBar2D_HANXIN(1, 2, 3, 4, 1, 5, 2, 1, 2, "hx"); },
         "b1,2,HX,3,4,m2,o1,r5,g1,s2,\"hx\"\r\n", -2045, -3020},
        {"DrawRectangle", [] { return OBX_DrawRectangle(1, 2, 3, 4, 5); }, "X1,2,3,4,5\r\n", -2079,
         -3032},
        {"DrawLineXor", [] { return OBX_DrawLineXor(1, 2, 3, 4); }, "LE1,2,3,4\r\n", -2080, -3033},
        {"DrawLineOr", [] { return OBX_DrawLineOr(1, 2, 3, 4); }, "LO1,2,3,4\r\n", -2081, -3034},
        {"DrawDiagonal", [] { return OBX_DrawDiagonal(1, 2, 3, 4, 5); }, "LS1,2,3,4,5\r\n", -2082,
         -3035},
        {"DrawWhiteLine", [] { return OBX_DrawWhiteLine(1, 2, 3, 4); }, "LW1,2,3,4\r\n", -2083,
         -3036},
        {"SoftFontList", [] { return OBX_SoftFontList(); }, "EI\r\n", -2084, -3037},
        {"SoftFontDel", [] { return OBX_SoftFontDel('A'); }, "EK\"A\"\r\n", -2086, -3038},
        {"FormList", [] { return OBX_FormList(); }, "FI\r\n", -2087, -3039},
        {"FormDel", [] { return OBX_FormDel("F1"); }, "FK\"F1\"\r\n", -2090, -3040},
        {"FormDownload", [] { return OBX_FormDownload("F1"); }, "FS\"F1\"\r\n", -2093, -3041},
        {"FormEnd", [] { return OBX_FormEnd(); }, "FE\r\n", -2094, -3042},
        {"ExecForm", [] { return OBX_ExecForm("F1"); }, "FR\"F1\"\r\n", -2097, -3043},
        {"DefineCounter", [] { return OBX_DefineCounter(1, 10, 'L', "+1", "0001"); },
         "C1,10,L,+1,\"0001\"\r\n", -2100, -3044},
        {"DefineVariable", [] { return OBX_DefineVariable(0, 20, 'C', "Name"); },
         "V0,20,C,\"Name\"\r\n", -2102, -3045},
        {"Download", [] { return OBX_Download(); }, "?\r\n", -2105, -3046},
        {"DownloadInitVar", [] { return OBX_DownloadInitVar("abc"); }, "abc\r\n", -2107, -3047},
        {"SetFontGap", [] { return OBX_SetFontGap(5); }, "g5\r\n", -2137, -3067},
        {"SetBarCodeFontName", [] { return OBX_SetBarCodeFontName('A', 1, 2); }, "BF\"A\",1,2\r\n",
         -2138, -3068},
        {"SetCharSets", [] { return OBX_SetCharSets(8, '0', "001"); }, "I8,0,001\r\n", -2139,
         -3069},
        {"RenameDownloadFont", [] { return OBX_RenameDownloadFont(1, 'a', "x"); }, "CF1,a,x\r\n",
         -2140, -3070},
        {"DisableBackFeed", [] { return OBX_DisableBackFeed(); }, "JB\r\n", -2112, -3049},
        {"EnableBackFeed", [] { return OBX_EnableBackFeed(); }, "JF\r\n", -2113, -3050},
        {"PrintConfiguration", [] { return OBX_PrintConfiguration(); }, "U\r\n", -2114, -3051},
        {"SetPrinterState", [] { return OBX_SetPrinterState('P'); }, "OP\r\n", -2115, -3052},
        {"EnableFLASH", [] { return OBX_EnableFLASH(); }, "ZS\r\n", -2119, -3055},
        {"DisableFLASH", [] { return OBX_DisableFLASH(); }, "ZN\r\n", -2120, -3056},
        {"FeedMedia", [] { return OBX_FeedMedia(); }, "FM\r\n", -2121, -3057},
        {"MediaDetect", [] { return OBX_MediaDetect(); }, "MD\r\n", -2122, -3058},
        {"CutPage", [] { return OBX_CutPage(12); }, "#UM>CP012\r\n", -2123, -3059},
        {"CutPageEx", [] { return OBX_CutPageEx(7); }, "CT7\r\n", -2124, -3060},
        {"Reset", [] { return OBX_Reset(); }, "^@\r\n", -2125, -3061},
        {"FeedBack", [] { return OBX_FeedBack(); }, "^ee\r\n", -2126, -3062},
        {"RWRFIDLabel", [] { return OBX_RWRFIDLabel(1, 2, 3, 4, 5, "d"); }, "RF1,2,3,4,5,\"d\"\r\n",
         -2132, -3063},
        {"SetRFLabelPWAndLockRFLabel", [] { return OBX_SetRFLabelPWAndLockRFLabel(1, 2, "pw"); },
         "RZ1,2,\"pw\"\r\n", -2134, -3064},
        {"SetRFID", [] { return OBX_SetRFID(1, 2, 3, 4, 5); }, "RS1,2,3,4,5\r\n", -2136, -3066},
        {"RFIDCalibrate", [] { return OBX_RFIDCalibrate(); }, "MR\r\n", -2166, -3074},
        {"RWRFIDLabelEx", [] { return OBX_RWRFIDLabelEx(1, 2, 3, 4, 5, "d"); },
         "RA1,2,3,4,5,\"d\"\r\n", -2168, -3075},
    };
    return kTable;
}

// Argument checks: a rejected call writes nothing and returns its code; a coerced one
// writes the replacement value.
struct Check
{
    const char *name;
    std::function<int()> call;
    int result;
    std::string text; // empty: nothing may be written
};

const std::string k17 = "ABCDEFGHIJKLMNOPQ";
const std::string k16 = "ABCDEFGHIJKLMNOP";
const std::string kPdfLimit(2710, 'p');
const std::string kPdfTooLong(2711, 'p');

const std::vector<Check> &checks()
{
    static const std::vector<Check> kTable = {
        // label height: black-mark form and silently ignored values
        {"height mark -8", [] { return OBX_SetLabelHeight(540, 24, -8, 1); }, 0, "Q540,B24-8\r\n"},
        {"height mark +5", [] { return OBX_SetLabelHeight(540, 24, 5, 1); }, 0, "Q540,B24+5\r\n"},
        {"height limits", [] { return OBX_SetLabelHeight(65535, 240, 0, 0); }, 0, "Q65535,240\r\n"},
        {"height 0", [] { return OBX_SetLabelHeight(0, 24, 0, 0); }, 0, ""},
        {"height 65536", [] { return OBX_SetLabelHeight(65536, 24, 0, 0); }, 0, ""},
        {"gap 241", [] { return OBX_SetLabelHeight(540, 241, 0, 1); }, 0, ""},
        // text: font as number or letter, each rejected field
        {"text f 3", [] { return OBX_DrawText(1, 2, 3, 3, 24, 1, 'R', "t"); }, 0,
         "T1,2,3,3,24,1,R,\"t\"\r\n"},
        {"text f C", [] { return OBX_DrawText(1, 2, 0, 'C', 1, 1, 'N', "t"); }, 0,
         "T1,2,0,C,1,1,N,\"t\"\r\n"},
        {"text f a", [] { return OBX_DrawText(1, 2, 0, 'a', 1, 1, 'N', "t"); }, 0,
         "T1,2,0,a,1,1,N,\"t\"\r\n"},
        {"text f b", [] { return OBX_DrawText(1, 2, 0, 'b', 1, 1, 'N', "t"); }, -2016, ""},
        {"text f 0", [] { return OBX_DrawText(1, 2, 0, 0, 1, 1, 'N', "t"); }, -2016, ""},
        {"text f 7", [] { return OBX_DrawText(1, 2, 0, 7, 1, 1, 'N', "t"); }, -2016, ""},
        {"text p3 4", [] { return OBX_DrawText(1, 2, 4, 1, 1, 1, 'N', "t"); }, -2016, ""},
        {"text p5 25", [] { return OBX_DrawText(1, 2, 0, 1, 25, 1, 'N', "t"); }, -2016, ""},
        {"text p6 0", [] { return OBX_DrawText(1, 2, 0, 1, 1, 0, 'N', "t"); }, -2016, ""},
        {"text c X", [] { return OBX_DrawText(1, 2, 0, 1, 1, 1, 'X', "t"); }, -2016, ""},
        {"text null", [] { return OBX_DrawText(1, 2, 0, 1, 1, 1, 'N', nullptr); }, 0,
         "T1,2,0,1,1,1,N,\"\"\r\n"},
        {"textex unquoted", [] { return OBX_DrawTextEx(1, 2, 0, 1, 1, 1, 'N', "t u", 1); }, 0,
         "T1,2,0,1,1,1,N,t u\r\n"},
        {"textex c X", [] { return OBX_DrawTextEx(1, 2, 0, 1, 1, 1, 'X', "t", 0); }, -2018, ""},
        // bar codes
        {"barcode p3 4", [] { return OBX_DrawBarcode(1, 2, 4, "1", 2, 4, 50, 'N', "1"); }, -2027,
         ""},
        {"barcode c R", [] { return OBX_DrawBarcode(1, 2, 0, "1", 2, 4, 50, 'R', "1"); }, -2027,
         ""},
        {"barcodeex p3 -1", [] { return OBX_DrawBarcodeEx(1, 2, -1, "1", 2, 4, 50, 'N', "1", 0); },
         -2029, ""},
        {"datamatrix o 4 m 0", [] { return OBX_DrawBar2D_DATAMATRIX(1, 2, 3, 4, 4, 0, "d"); }, 0,
         "b1,2,DX,3,4,o0,m1,\"d\"\r\n"},
        {"datamatrix o -1 m 10", [] { return OBX_DrawBar2D_DATAMATRIX(1, 2, 3, 4, -1, 10, "d"); },
         0, "b1,2,DX,3,4,o0,m1,\"d\"\r\n"},
        {"datamatrix m 9", [] { return OBX_DrawBar2D_DATAMATRIX(1, 2, 3, 4, 3, 9, "d"); }, 0,
         "b1,2,DX,3,4,o3,m9,\"d\"\r\n"},
        {"qr r 0", [] { return OBX_DrawBar2D_QR(1, 2, 1, 2, 0, 0, 2, 1, 8, "q"); }, 0,
         "b1,2,QR,1,2,o0,r1,m2,g1,s8,\"q\"\r\n"},
        {"qr s 9", [] { return OBX_DrawBar2D_QR(1, 2, 1, 2, 0, 8, 2, 1, 9, "q"); }, 0,
         "b1,2,QR,1,2,o0,r8,m2,g1,s0,\"q\"\r\n"},
        {"qr all out", [] { return OBX_DrawBar2D_QR(1, 2, 1, 2, 4, 100, 5, 4, -1, "q"); }, 0,
         "b1,2,QR,1,2,o0,r1,m0,g0,s0,\"q\"\r\n"},
        {"qr limits", [] { return OBX_DrawBar2D_QR(1, 2, 1, 2, 3, 99, 4, 3, 8, "q"); }, 0,
         "b1,2,QR,1,2,o3,r99,m4,g3,s8,\"q\"\r\n"},
        {"maxicode out", [] { return OBX_DrawBar2D_MaxiCode(1, 2, 5, 2, "m"); }, 0,
         "b1,2,M,2,0,\"m\"\r\n"},
        {"maxicode low", [] { return OBX_DrawBar2D_MaxiCode(1, 2, 1, -1, "m"); }, 0,
         "b1,2,M,2,0,\"m\"\r\n"},
        {"pdf417 s 9",
         [] { return OBX_DrawBar2D_Pdf417(1, 2, 3, 4, 9, 0, 2, 10, 5, 6, 1, 2, "p"); }, -2043, ""},
        {"pdf417 c 2",
         [] { return OBX_DrawBar2D_Pdf417(1, 2, 3, 4, 0, 2, 2, 10, 5, 6, 1, 2, "p"); }, -2043, ""},
        {"pdf417 x 9",
         [] { return OBX_DrawBar2D_Pdf417(1, 2, 3, 4, 0, 0, 9, 10, 5, 6, 1, 2, "p"); }, -2043, ""},
        {"pdf417 y 3", [] { return OBX_DrawBar2D_Pdf417(1, 2, 3, 4, 0, 0, 2, 3, 5, 6, 1, 2, "p"); },
         -2043, ""},
        {"pdf417 y 100",
         [] { return OBX_DrawBar2D_Pdf417(1, 2, 3, 4, 0, 0, 2, 100, 5, 6, 1, 2, "p"); }, -2043, ""},
        {"pdf417 t 2", [] { return OBX_DrawBar2D_Pdf417(1, 2, 3, 4, 0, 0, 2, 4, 5, 6, 2, 2, "p"); },
         -2043, ""},
        {"pdf417 o 4", [] { return OBX_DrawBar2D_Pdf417(1, 2, 3, 4, 0, 0, 2, 4, 5, 6, 0, 4, "p"); },
         -2043, ""},
        {"pdf417 2711 bytes",
         [] {
             return OBX_DrawBar2D_Pdf417(1, 2, 3, 4, 0, 0, 2, 4, 5, 6, 0, 0, kPdfTooLong.c_str());
         },
         -2043, ""},
        {"pdf417 2710 bytes",
         [] {
             return OBX_DrawBar2D_Pdf417(1, 2, 3, 4, 8, 1, 8, 99, 5, 6, 1, 3, kPdfLimit.c_str());
         },
         0, "b1,2,P,3,4,s8,c1,x8,y99,r5,l6,t1,o3,\"" + kPdfLimit + "\"\r\n"},
        {"hanxin m -1", [] { return OBX_DrawBar2D_HANXIN(1, 2, 3, 4, 0, 1, -1, 0, 0, "h"); }, 0,
         "b1,2,HX,3,4,m6,o0,r1,g0,s0,\"h\"\r\n"},
        {"hanxin r 31", [] { return OBX_DrawBar2D_HANXIN(1, 2, 3, 4, 0, 31, 0, 0, 0, "h"); }, 0,
         "b1,2,HX,3,4,m0,o0,r30,g0,s0,\"h\"\r\n"},
        {"hanxin o g s 4", [] { return OBX_DrawBar2D_HANXIN(1, 2, 3, 4, 4, 29, 5, 4, 4, "h"); }, 0,
         "b1,2,HX,3,4,m5,o0,r29,g3,s3,\"h\"\r\n"},
        // printing, cutting, gaps
        {"auto 1 0", [] { return OBX_PrintLabelAuto(1, 0); }, 0, "WA1,1\r\n"},
        {"auto 1 70000", [] { return OBX_PrintLabelAuto(1, 70000); }, 0, "WA1,1\r\n"},
        {"auto 0 1", [] { return OBX_PrintLabelAuto(0, 1); }, -2014, ""},
        {"auto 65536 1", [] { return OBX_PrintLabelAuto(65536, 1); }, -2014, ""},
        {"cut 0", [] { return OBX_CutPage(0); }, 0, "#UM>CP001\r\n"},
        {"cut 999", [] { return OBX_CutPage(999); }, 0, "#UM>CP999\r\n"},
        {"cut 1000", [] { return OBX_CutPage(1000); }, 0, "#UM>CP001\r\n"},
        {"cutex 0", [] { return OBX_CutPageEx(0); }, 0, "CT1\r\n"},
        {"cutex 1000", [] { return OBX_CutPageEx(1000); }, 0, "CT1\r\n"},
        {"gap 150", [] { return OBX_SetFontGap(150); }, 0, "g99\r\n"},
        {"gap -150", [] { return OBX_SetFontGap(-150); }, 0, "g-99\r\n"},
        {"gap -99", [] { return OBX_SetFontGap(-99); }, 0, "g-99\r\n"},
        // fonts, forms, counters, variables, printer state
        {"font *", [] { return OBX_SoftFontDel('*'); }, 0, "EK\"*\"\r\n"},
        {"font a", [] { return OBX_SoftFontDel('a'); }, -2085, ""},
        {"font 1", [] { return OBX_SoftFontDel('1'); }, -2085, ""},
        {"formdel 17", [] { return OBX_FormDel(k17.c_str()); }, -2089, ""},
        {"formdel 16", [] { return OBX_FormDel(k16.c_str()); }, 0, "FK\"" + k16 + "\"\r\n"},
        {"formdel empty", [] { return OBX_FormDel(""); }, -2089, ""},
        {"formdel null", [] { return OBX_FormDel(nullptr); }, -2089, ""},
        {"formdownload 17", [] { return OBX_FormDownload(k17.c_str()); }, -2092, ""},
        {"execform 17", [] { return OBX_ExecForm(k17.c_str()); }, -2096, ""},
        {"counter p1 10", [] { return OBX_DefineCounter(10, 1, 'L', "a", "b"); }, -2101, ""},
        {"counter p2 41", [] { return OBX_DefineCounter(9, 41, 'L', "a", "b"); }, -2101, ""},
        {"counter p2 0", [] { return OBX_DefineCounter(0, 0, 'L', "a", "b"); }, -2101, ""},
        {"counter c X", [] { return OBX_DefineCounter(0, 1, 'X', "a", "b"); }, -2101, ""},
        {"counter limits", [] { return OBX_DefineCounter(9, 40, 'N', "a", "b"); }, 0,
         "C9,40,N,a,\"b\"\r\n"},
        {"variable p1 100", [] { return OBX_DefineVariable(100, 1, 'L', "v"); }, -2104, ""},
        {"variable p2 0", [] { return OBX_DefineVariable(0, 0, 'L', "v"); }, -2104, ""},
        {"variable c Z", [] { return OBX_DefineVariable(0, 1, 'Z', "v"); }, -2104, ""},
        {"variable limits", [] { return OBX_DefineVariable(99, 99, 'R', "v"); }, 0,
         "V99,99,R,\"v\"\r\n"},
        {"state X", [] { return OBX_SetPrinterState('X'); }, -2116, ""},
        {"state L", [] { return OBX_SetPrinterState('L'); }, 0, "OL\r\n"},
        {"state D", [] { return OBX_SetPrinterState('D'); }, 0, "OD\r\n"},
        {"state C", [] { return OBX_SetPrinterState('C'); }, 0, "OC\r\n"},
        {"state N", [] { return OBX_SetPrinterState('N'); }, 0, "ON\r\n"},
    };
    return kTable;
}

class CommandBuilderTest : public KorvalOutputTest
{};

TEST_F(CommandBuilderTest, EachBuilderWritesExactlyItsCommand)
{
    for (const Builder &builder : builders()) {
        SCOPED_TRACE(builder.name);
        EXPECT_EQ(builder.call(), 0);
        EXPECT_EQ(writtenSince(), builder.text);
    }
    EXPECT_EQ(OBX_GetErrState(), 0);
}

TEST_F(CommandBuilderTest, ChecksRejectOrCoerce)
{
    for (const Check &check : checks()) {
        SCOPED_TRACE(check.name);
        korvalState().lastError = 0;
        EXPECT_EQ(check.call(), check.result);
        EXPECT_EQ(writtenSince(), check.text);
        EXPECT_EQ(OBX_GetErrState(), check.result);
    }
}

// A file size limit stands in for a full disk; Windows has none to set.
#ifndef _WIN32
TEST_F(CommandBuilderTest, ShortWriteGivesEachBuildersOwnCode)
{
    // A spool file that may not grow (as on a full disk): every write comes up short. The
    // library refuses to write through a link, so a link to /dev/full cannot stand in.
    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit none = previous;
    none.rlim_cur = 0;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &none), 0);
    EXPECT_EQ(OBX_ClearBuffer(), -2002);
    for (const Builder &builder : builders()) {
        SCOPED_TRACE(builder.name);
        EXPECT_EQ(builder.call(), builder.writeFailed);
        EXPECT_EQ(OBX_GetErrState(), builder.writeFailed);
    }
    EXPECT_EQ(OBX_PrintLabel(1, 1), -2011) << "the W command fails and nothing is sent";
    EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &previous), 0);
    signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(ClosePort(), 0);
    EXPECT_FALSE(fileExists(spoolPath()));
}
#endif

TEST_F(CommandBuilderTest, LongTextsAreWrittenWhole)
{
    const std::string text(5000, 't');
    EXPECT_EQ(OBX_DrawText(1, 2, 0, 1, 1, 1, 'N', text.c_str()), 0);
    EXPECT_EQ(writtenSince(), "T1,2,0,1,1,1,N,\"" + text + "\"\r\n");
    const std::string data(250, '7');
    EXPECT_EQ(OBX_DrawBarcodeEx(1, 2, 0, "1", 2, 4, 50, 'N', data.c_str(), 0), 0);
    EXPECT_EQ(writtenSince(), "B1,2,0,1,2,4,50,N,\"" + data + "\"\r\n");
    EXPECT_EQ(OBX_DefineVariable(1, 1, 'L', data.c_str()), 0);
    EXPECT_EQ(writtenSince(), "V1,1,L,\"" + data + "\"\r\n");
    // Longer than the command buffer itself.
    const std::string huge(1500000, 'h');
    EXPECT_EQ(OBX_DownloadInitVar(huge.c_str()), 0);
    EXPECT_EQ(writtenSince(), huge + "\r\n");
    EXPECT_EQ(korvalState().commandLength, huge.size() + 2);
}

TEST_F(CommandBuilderTest, AfterSendingBuildersNeedANewSpoolFile)
{
    EXPECT_EQ(OBX_PrintLabel(1, 1), 0);
    EXPECT_EQ(OBX_SetDarkness(3), -2003);
    EXPECT_EQ(OBX_ClearBuffer(), 0);
    EXPECT_EQ(OBX_SetDarkness(3), 0);
    EXPECT_EQ(spool(), "N\r\nH3\r\n");
}

// Before any output is opened and after ClosePort, every builder answers with its own
// no-output code and writes nothing.
class NoOutputTest : public ::testing::Test
{
protected:
    void SetUp() override { korvalResetForTesting(); }
    void TearDown() override { korvalResetForTesting(); }

    void expectNoOutputCodes()
    {
        for (const Builder &builder : builders()) {
            SCOPED_TRACE(builder.name);
            EXPECT_EQ(builder.call(), builder.noOutput);
            EXPECT_EQ(OBX_GetErrState(), builder.noOutput);
        }
        EXPECT_EQ(OBX_ClearBuffer(), -3001);
        EXPECT_EQ(OBX_PrintLabel(1, 1), -3008);
        EXPECT_EQ(OBX_PrintLabel(0, 0), -3008);
        EXPECT_EQ(OBX_SendFile("/etc/hostname"), -3048);
        EXPECT_FALSE(fileExists(work.file("ombrixtemp.prn")));
    }

    ScopedWorkDir work;
};

TEST_F(NoOutputTest, BeforeAnyPortIsOpened)
{
    expectNoOutputCodes();
}

TEST_F(NoOutputTest, AfterClosePort)
{
    FakeUsbTree usb(work.path());
    ASSERT_TRUE(usb.openOutput());
    ASSERT_TRUE(fileExists(work.file("ombrixtemp.prn")));
    EXPECT_EQ(ClosePort(), 0);
    EXPECT_FALSE(fileExists(work.file("ombrixtemp.prn")));
    expectNoOutputCodes();
}

TEST_F(NoOutputTest, ClosePortWithoutAPortIsHarmless)
{
    writeWholeFile(work.file("unrelated.prn"), "keep");
    EXPECT_EQ(ClosePort(), 0);
    EXPECT_EQ(ClosePort(), 0);
    EXPECT_EQ(CloseUSBPort(), 0);
    EXPECT_EQ(OBX_ClosePrinter(), 0);
    EXPECT_EQ(OBX_GetErrState(), 0);
    EXPECT_EQ(readWholeFile(work.file("unrelated.prn")), "keep");
}

} // namespace
