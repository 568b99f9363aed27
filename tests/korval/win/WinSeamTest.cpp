// The Win32 seams under Wine. The Linux side (WineRunTest.cpp) starts the CUPS scheduler
// and the serial line, runs these cases with their inputs in the environment, and
// compares what they leave with what the Linux build makes of the same calls.
#include "KorvalTestSupport.h"
#include "ReferenceLabel.h"
#include "TextLineFile.h"
#include "korval.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include <windows.h>
#include <winspool.h>

namespace {

std::string environment(const char *name)
{
    const char *value = std::getenv(name);
    return value ? value : "";
}

// Sets or clears "use printer offline" on a printer.
bool setWorkOffline(const std::string &name, bool offline)
{
    HANDLE printer = nullptr;
    PRINTER_DEFAULTSA access = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (!OpenPrinterA(const_cast<char *>(name.c_str()), &printer, &access))
        return false;
    DWORD needed = 0;
    GetPrinterA(printer, 2, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed);
    bool done = needed > 0 && GetPrinterA(printer, 2, buffer.data(), needed, &needed);
    if (done) {
        auto *info = reinterpret_cast<PRINTER_INFO_2A *>(buffer.data());
        if (offline)
            info->Attributes |= PRINTER_ATTRIBUTE_WORK_OFFLINE;
        else
            info->Attributes &= ~DWORD(PRINTER_ATTRIBUTE_WORK_OFFLINE);
        done = SetPrinterA(printer, 2, buffer.data(), 0) != 0;
    }
    ClosePrinter(printer);
    return done;
}

class WinSeamTest : public ::testing::Test
{
protected:
    void SetUp() override { korvalResetForTesting(); }
    void TearDown() override { korvalResetForTesting(); }

    ScopedWorkDir work;
};

} // namespace

// The label goes through the spooler as one raw job; the Linux side reads it back.
TEST_F(WinSeamTest, SpoolerPrintsTheReferenceLabel)
{
    const std::string queue = environment("KORVAL_WIN_QUEUE");
    if (queue.empty())
        GTEST_SKIP() << "KORVAL_WIN_QUEUE names no queue";
    EXPECT_EQ(printReferenceLabel(queue.c_str()), 0);
    EXPECT_FALSE(fileExists(work.file("ombrixtemp.prn"))) << "ClosePort deletes the spool file";
}

TEST_F(WinSeamTest, SpoolerKeepsTheSpoolFileUntilClosePort)
{
    const std::string queue = environment("KORVAL_WIN_QUEUE");
    if (queue.empty())
        GTEST_SKIP() << "KORVAL_WIN_QUEUE names no queue";
    ASSERT_EQ(OpenPort(queue.c_str()), 0);
    ASSERT_EQ(OBX_ClearBuffer(), 0);
    ASSERT_EQ(OBX_SetDarkness(9), 0);
    EXPECT_EQ(readWholeFile(work.file("ombrixtemp.prn")), "N\r\nH9\r\n");
    ASSERT_EQ(ClosePort(), 0);
    EXPECT_FALSE(fileExists(work.file("ombrixtemp.prn")));
}

TEST_F(WinSeamTest, UnknownQueueIsRefused)
{
    EXPECT_EQ(OpenPort("korval_no_such_queue"), -1003);
    EXPECT_EQ(OBX_GetErrState(), -1003);
    EXPECT_EQ(OBX_OpenPrinter("korval_no_such_queue"), 0);
    EXPECT_EQ(OBX_OpenPrinter(""), 0);
    EXPECT_EQ(OBX_ClearBuffer(), -3001) << "nothing is open";
}

// No USB printer on this machine: every USB export fails with its own code.
TEST_F(WinSeamTest, UsbWithoutPrinterFails)
{
    EXPECT_EQ(OpenUSBPort(255), -1060);
    EXPECT_EQ(OpenUSBPort(1), -1060);
    EXPECT_EQ(OBX_GetUSBID(1), nullptr);
    EXPECT_EQ(OBX_GetErrState(), -2111);
    EXPECT_EQ(OBX_ErrorReportUSB(1), -2129);
    EXPECT_EQ(OBX_ClearBuffer(), -3001);
}

// Interface paths as SetupAPI reports them: upper case, the instance either the serial
// number or a bus path, the class GUID last.
TEST_F(WinSeamTest, UsbMatchesRecordedInterfacePaths)
{
    FakeUsbTree usb(work.path());
    usb.addPrinter(0, "04b8", "0202", "EPSONX1"); // another make: never ours
    usb.addPrinter(1, "0471", "0168", "");        // ours, no serial
    usb.addPrinter(2, "2a63", "0001", "SN0003");  // ours
    usb.addPrinter(3, "03eb", "6119", "SN0004", FakeUsbTree::Node::Missing); // gone
    usb.install();

    EXPECT_EQ(OBX_GetUSBID(1), nullptr) << "port 1 holds another make";
    const char *id = OBX_GetUSBID(2);
    ASSERT_NE(id, nullptr);
    EXPECT_STREQ(id, "6&2c1ab3f&0&3");
    id = OBX_GetUSBID(3);
    ASSERT_NE(id, nullptr);
    EXPECT_STREQ(id, "sn0003") << "the path is matched and cut in lower case";
    EXPECT_EQ(OBX_GetUSBID(4), nullptr) << "a printer that does not open";
    id = OBX_GetUSBID(255);
    ASSERT_NE(id, nullptr);
    EXPECT_STREQ(id, "6&2c1ab3f&0&3") << "255 takes the first of ours";

    // A label through the opened interface arrives with one write.
    ASSERT_EQ(OpenUSBPort(3), 0);
    ASSERT_EQ(OBX_ClearBuffer(), 0);
    ASSERT_EQ(OBX_SetDarkness(14), 0);
    ASSERT_EQ(OBX_PrintLabel(1, 1), 0);
    EXPECT_EQ(readWholeFile(usb.deviceNode(2)), "N\r\nH14\r\nW1,1\r\n");
    EXPECT_EQ(CloseUSBPort(), 0);
    EXPECT_EQ(OBX_ErrorReportUSB(3), -2130) << "a file answers no status request";
}

TEST_F(WinSeamTest, UsbIgnoresMalformedRecordings)
{
    FakeUsbTree usb(work.path());
    writeWholeFile(usb.sysfsRoot() + "\\usbprint.txt",
                   "no tabs at all\n\t\t\n\\\\?\\usb#vid_0471&pid_0168\t1\t" + usb.deviceNode(0) +
                       "\n" + std::string(10000, '#') + "\t1\tx\n");
    writeWholeFile(usb.deviceNode(0), "");
    usb.install();
    EXPECT_EQ(OBX_GetUSBID(1), nullptr) << "a path of two fields has no third";
    EXPECT_EQ(OBX_GetErrState(), -2111);
    EXPECT_EQ(OpenUSBPort(1), 0) << "the ids still match";
}

// The status request over COM1, which the Linux side maps to a pseudo-terminal and
// answers (or not) as KORVAL_WIN_COM_EXPECT says.
TEST_F(WinSeamTest, SerialStatusReport)
{
    const std::string expect = environment("KORVAL_WIN_COM_EXPECT");
    if (expect.empty())
        GTEST_SKIP() << "no serial line set up";
    const int wait = std::atoi(environment("KORVAL_WIN_COM_WAIT").c_str());
    EXPECT_EQ(OBX_ErrorReport(1, 0, 9600, 0, wait > 0 ? wait : 3), std::atoi(expect.c_str()));
}

TEST_F(WinSeamTest, SerialPortsOutOfRange)
{
    EXPECT_EQ(OBX_ErrorReport(0, 0, 9600, 0, 1), -2127);
    EXPECT_EQ(OBX_ErrorReport(4, 0, 9600, 0, 1), -2127);
    EXPECT_EQ(SetPCComPort(9600, 0), -1026);
}

// Each text case rendered by GDI, left in KORVAL_WIN_OUT for the Linux side to compare.
TEST_F(WinSeamTest, TextLinesThroughGdi)
{
    const std::string out = environment("KORVAL_WIN_OUT");
    if (out.empty())
        GTEST_SKIP() << "KORVAL_WIN_OUT names no folder";
    for (int i = 0; i < kTextLineCases; ++i) {
        SCOPED_TRACE(i);
        RenderedLine rendered;
        ASSERT_EQ(renderTrueTypeLine(textLineCase(i), rendered), 0);
        EXPECT_TRUE(writeTextLineFile(out + "\\text-" + std::to_string(i) + ".line", rendered));
    }
    TrueTypeLine bad = textLineCase(0);
    bad.orientation = 9;
    RenderedLine rendered;
    EXPECT_EQ(renderTrueTypeLine(bad, rendered), kTextNoDeviceContext);
}

// The whole TrueType export through GDI: the PCX download and its draw command, and the
// temporary PCX file gone afterwards.
TEST_F(WinSeamTest, TrueTypeExportWritesItsGraphic)
{
    FakeUsbTree usb(work.path());
    ASSERT_TRUE(usb.openOutput());
    ASSERT_EQ(
        OBX_DrawTextTrueTypeW(267, 172, 25, 0, "Arial", 1, 500, 0, 0, 0, "ModelStr", "KT4X-Q2"), 0);
    const std::string spool = readWholeFile(work.file("ombrixtemp.prn"));
    EXPECT_NE(spool.find("GM\"ModelStr\""), std::string::npos) << spool.substr(0, 200);
    EXPECT_NE(spool.find("GG"), std::string::npos);
    EXPECT_FALSE(fileExists(work.file("ombrix.pcx")));
}

// "Use printer offline" as a user sets it in the printer's queue window: the printer's
// level 2 attributes carry PRINTER_ATTRIBUTE_WORK_OFFLINE, and OpenPort answers -4000
// while the output opens nevertheless.
TEST_F(WinSeamTest, SpoolerWorkOffline)
{
    const std::string queue = environment("KORVAL_WIN_QUEUE");
    if (queue.empty())
        GTEST_SKIP() << "KORVAL_WIN_QUEUE names no queue";
    ASSERT_TRUE(setWorkOffline(queue, true));
    EXPECT_EQ(OpenPort(queue.c_str()), -4000);
    EXPECT_EQ(OBX_GetErrState(), 0) << "answered, not stored";
    EXPECT_EQ(OBX_ClearBuffer(), 0) << "the output is open";
    EXPECT_EQ(ClosePort(), 0);
    ASSERT_TRUE(setWorkOffline(queue, false));
    EXPECT_EQ(OpenPort(queue.c_str()), 0);
}
