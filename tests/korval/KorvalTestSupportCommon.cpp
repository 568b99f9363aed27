// The builder tests' support that is the same on every platform: the label set-ups, the
// spool-file expectations and the whole-file helpers.
#include "KorvalTestSupport.h"

#include "KorvalState.h"
#include "KorvalStatusQuery.h"
#include "korval.h"

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>

namespace fs = std::filesystem;

// Back to the folder the test started in; the work folder goes with everything in it.
ScopedWorkDir::~ScopedWorkDir()
{
    std::error_code ignored;
    fs::current_path(previous, ignored);
    fs::remove_all(dir, ignored);
}

const char kDeviceLabelSetup[] = "N\r\nQ529,2\r\nq529\r\nH14\r\nS5\r\nZB\r\n";

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

void korvalResetForTesting()
{
    korvalStopStatusQuery();
    ClosePort();
    KorvalState &state = korvalState();
    state.lastError = 0;
    state.usbDevicePath.clear();
    state.usbId.clear();
    state.serialSettings = KorvalSerialSettings();
    state.waitCountdown = 0;
    state.paths = KorvalDevicePaths();
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
