#include "KorvalTestSupport.h"

#include "KorvalState.h"
#include "korval.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

const char DeviceLabelSetup[] = "N\r\nQ529,2\r\nq529\r\nH14\r\nS5\r\nZB\r\n";

namespace {

// The first non-zero result of a sequence of builder calls.
int firstFailure(std::initializer_list<int> results)
{
    for (const int result : results) {
        if (result != 0)
            return result;
    }
    return 0;
}

} // namespace

int startDeviceLabel()
{
    // Evaluated in order: the braces of an initializer list sequence their elements.
    return firstFailure({OBX_ClearBuffer(), OBX_SetLabelHeight(529, 2, 0, 0),
                         OBX_SetLabelWidth(529), OBX_SetDarkness(14), OBX_SetPrintSpeed(5),
                         OBX_SetDirection('B')});
}

int startSquareLabel(int side)
{
    return firstFailure(
        {OBX_ClearBuffer(), OBX_SetLabelWidth(side), OBX_SetLabelHeight(side, 0, 0, 0)});
}

ScopedWorkDir::ScopedWorkDir()
{
    std::string pattern = "/tmp/korval-test-" + std::to_string(getpid()) + "-XXXXXX";
    if (mkdtemp(pattern.data()))
        dir = pattern;
    previous = fs::current_path().string();
    fs::current_path(dir);
}

ScopedWorkDir::~ScopedWorkDir()
{
    std::error_code ignored;
    fs::current_path(previous, ignored);
    fs::remove_all(dir, ignored);
}

FakeUsbTree::FakeUsbTree(const std::string &root) : root(root)
{
    fs::create_directories(sysfsRoot() + "/class/usbmisc");
    fs::create_directories(devRoot() + "/usb");
}

void FakeUsbTree::addPrinter(int index, const std::string &vendor, const std::string &product,
                             const std::string &serial, Node node)
{
    const std::string device =
        sysfsRoot() + "/devices/pci0000:00/usb1/1-" + std::to_string(index + 2);
    const std::string interface = device + "/" + fs::path(device).filename().string() + ":1.0";
    fs::create_directories(interface);
    writeWholeFile(device + "/idVendor", vendor + "\n");
    writeWholeFile(device + "/idProduct", product + "\n");
    if (!serial.empty())
        writeWholeFile(device + "/serial", serial + "\n");
    const std::string entry = sysfsRoot() + "/class/usbmisc/lp" + std::to_string(index);
    fs::create_directories(entry);
    fs::create_directory_symlink(interface, entry + "/device");
    if (node == Node::File)
        writeWholeFile(deviceNode(index), "");
    else if (node == Node::Fifo)
        mkfifo(deviceNode(index).c_str(), 0600);
}

void FakeUsbTree::install() const
{
    korvalState().paths.sysfsRoot = sysfsRoot();
    korvalState().paths.devRoot = devRoot();
}

bool FakeUsbTree::openOutput()
{
    addPrinter(0, "0471", "0168", "SN0001");
    install();
    return OpenUSBPort(1) == 0 && OBX_ClearBuffer() == 0;
}

std::string FakeUsbTree::deviceNode(int index) const
{
    return devRoot() + "/usb/lp" + std::to_string(index);
}

std::string readWholeFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool fileExists(const std::string &path)
{
    std::error_code ignored;
    return fs::exists(fs::symlink_status(path, ignored));
}

void writeWholeFile(const std::string &path, const std::string &data)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << data;
}

void KorvalOutputTest::SetUp()
{
    korvalResetForTesting();
    ASSERT_TRUE(usb.openOutput());
    ASSERT_EQ(spool(), "N\r\n");
    seen = spool().size();
}

void KorvalOutputTest::TearDown()
{
    korvalResetForTesting();
}

std::string KorvalOutputTest::writtenSince()
{
    const std::string all = spool();
    const std::string fresh = all.size() > seen ? all.substr(seen) : std::string();
    seen = all.size();
    return fresh;
}
