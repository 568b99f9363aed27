// USB printers found through a fake sysfs tree, with files and FIFOs standing for the
// device nodes.
#include "KorvalState.h"
#include "KorvalTestSupport.h"
#include "korval.h"

#include <fcntl.h>
#include <unistd.h>

namespace {

class UsbPortTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        korvalResetForTesting();
        usb.install();
    }
    void TearDown() override { korvalResetForTesting(); }

    // lp0 is some other USB printer; lp1 and lp2 are supported ones.
    void addThreePrinters()
    {
        usb.addPrinter(0, "04b8", "0202", "OTHER");
        usb.addPrinter(1, "0471", "0168", "A1B2C3");
        usb.addPrinter(2, "03eb", "6119", "");
    }

    std::string printLabel()
    {
        EXPECT_EQ(OBX_ClearBuffer(), 0);
        EXPECT_EQ(OBX_SetLabelWidth(400), 0);
        EXPECT_EQ(OBX_DrawText(1, 2, 0, 2, 1, 1, 'N', "usb"), 0);
        EXPECT_EQ(OBX_PrintLabel(1, 1), 0);
        return "N\r\nq400\r\nT1,2,0,2,1,1,N,\"usb\"\r\nW1,1\r\n";
    }

    ScopedWorkDir work;
    FakeUsbTree usb{work.path()};
};

TEST_F(UsbPortTest, AnyPortTakesTheFirstSupportedPrinter)
{
    addThreePrinters();
    ASSERT_EQ(OpenUSBPort(255), 0);
    const std::string label = printLabel();
    EXPECT_EQ(readWholeFile(usb.deviceNode(1)), label);
    EXPECT_EQ(readWholeFile(usb.deviceNode(0)), "");
    EXPECT_EQ(readWholeFile(usb.deviceNode(2)), "");
    EXPECT_EQ(korvalState().usbDevicePath,
              "usb#vid_0471&pid_0168#a1b2c3#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}");
}

TEST_F(UsbPortTest, PortNumberSelectsThePrinter)
{
    addThreePrinters();
    ASSERT_EQ(OpenUSBPort(3), 0) << "lp2 is USB003";
    const std::string label = printLabel();
    EXPECT_EQ(readWholeFile(usb.deviceNode(2)), label);
    EXPECT_EQ(readWholeFile(usb.deviceNode(1)), "");
    EXPECT_EQ(ClosePort(), 0);
    EXPECT_EQ(OBX_ClearBuffer(), -3001);
}

TEST_F(UsbPortTest, NoMatchingPrinter)
{
    EXPECT_EQ(OpenUSBPort(255), -1060) << "no printers at all";
    addThreePrinters();
    EXPECT_EQ(OpenUSBPort(1), -1060) << "lp0 is not a supported printer";
    EXPECT_EQ(OpenUSBPort(9), -1060);
    EXPECT_EQ(OBX_GetErrState(), -1060);
    EXPECT_EQ(OBX_ClearBuffer(), -3001);
}

TEST_F(UsbPortTest, SupportedVendorAndProductPairs)
{
    const struct
    {
        const char *vendor;
        const char *product;
        bool supported;
    } cases[] = {
        {"0471", "0168", true},  {"0471", "0003", true},  {"03eb", "6119", true},
        {"03eb", "0003", true},  {"2a63", "0001", true},  {"0471", "0169", false},
        {"03eb", "0001", false}, {"2a63", "0003", false}, {"04b8", "0202", false},
    };
    int index = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.vendor) + ":" + c.product);
        usb.addPrinter(index, c.vendor, c.product, "S" + std::to_string(index));
        EXPECT_EQ(OpenUSBPort(unsigned(index + 1)), c.supported ? 0 : -1060);
        EXPECT_EQ(ClosePort(), 0);
        ++index;
    }
}

TEST_F(UsbPortTest, APrinterThatWillNotOpenIsPassedOver)
{
    usb.addPrinter(0, "2a63", "0001", "GONE", FakeUsbTree::Node::Missing);
    usb.addPrinter(3, "0471", "0003", "HERE");
    EXPECT_EQ(OpenUSBPort(1), -1060);
    ASSERT_EQ(OpenUSBPort(255), 0);
    const std::string label = printLabel();
    EXPECT_EQ(readWholeFile(usb.deviceNode(3)), label);
}

TEST_F(UsbPortTest, SpoolReachesAFifoDevice)
{
    usb.addPrinter(0, "03eb", "0003", "F1", FakeUsbTree::Node::Fifo);
    const int reader = open(usb.deviceNode(0).c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    ASSERT_EQ(OpenUSBPort(1), 0);
    const std::string label = printLabel();
    std::string got(4096, '\0');
    const ssize_t n = read(reader, got.data(), got.size());
    close(reader);
    ASSERT_GT(n, 0);
    got.resize(size_t(n));
    EXPECT_EQ(got, label);
}

TEST_F(UsbPortTest, CloseUsbPortClosesTheOutput)
{
    addThreePrinters();
    ASSERT_EQ(OpenUSBPort(2), 0);
    EXPECT_EQ(OBX_ClearBuffer(), 0);
    EXPECT_EQ(CloseUSBPort(), 0);
    EXPECT_EQ(OBX_SetDarkness(1), -3002);
    EXPECT_EQ(OBX_WritePrinter(), -1045) << "nothing left to send to";
}

TEST_F(UsbPortTest, UsbIdIsTheInstanceField)
{
    addThreePrinters();
    const char *id = OBX_GetUSBID(255);
    ASSERT_NE(id, nullptr);
    EXPECT_STREQ(id, "a1b2c3");
    id = OBX_GetUSBID(3);
    ASSERT_NE(id, nullptr);
    EXPECT_STREQ(id, "1-4") << "without a serial number the bus path names the device";
    EXPECT_EQ(OBX_GetUSBID(1), nullptr);
    EXPECT_EQ(OBX_GetErrState(), -2111);
    EXPECT_EQ(OBX_ClearBuffer(), -3001) << "looking up an id opens no output";
}

TEST_F(UsbPortTest, UsbIdOfThePrinterInUse)
{
    addThreePrinters();
    ASSERT_EQ(OpenUSBPort(2), 0);
    EXPECT_STREQ(OBX_GetUSBID(2), "a1b2c3");
    const std::string label = printLabel();
    EXPECT_EQ(readWholeFile(usb.deviceNode(1)), label);
}

TEST_F(UsbPortTest, StatusOfAFileOrFifoIsRefusedAndClosesThePort)
{
    usb.addPrinter(0, "0471", "0168", "S1");
    usb.addPrinter(1, "0471", "0168", "S2", FakeUsbTree::Node::Fifo);
    ASSERT_EQ(OpenUSBPort(1), 0);
    ASSERT_EQ(OBX_ClearBuffer(), 0);
    EXPECT_EQ(OBX_ErrorReportUSB(1), -2130);
    EXPECT_EQ(OBX_GetErrState(), -2130);
    EXPECT_EQ(OBX_SetDarkness(1), -3002) << "the label being built is gone";
    EXPECT_FALSE(fileExists(work.file("ombrixtemp.prn")));
    EXPECT_EQ(OBX_ErrorReportUSB(2), -2130);
    EXPECT_EQ(OBX_ErrorReportUSB(7), -2129);
}

} // namespace
