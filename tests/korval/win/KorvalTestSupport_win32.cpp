// The builder tests' support on Windows: a scratch working folder under the user's temp
// folder, and USB printers as a recording of what SetupAPI lists (usbprint.txt) with a
// regular file standing for each printer's interface.
#include "KorvalTestSupport.h"

#include "KorvalState.h"
#include "korval.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <windows.h>

namespace fs = std::filesystem;

namespace {

constexpr const char *kUsbPrintClass = "{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";

std::string upper(std::string text)
{
    for (char &c : text)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

ScopedWorkDir::ScopedWorkDir()
{
    std::random_device random;
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100 && dir.empty(); ++attempt) {
        const fs::path candidate = base / ("korval-test-" + std::to_string(GetCurrentProcessId()) +
                                           "-" + std::to_string(random() % 1000000));
        std::error_code error;
        if (fs::create_directory(candidate, error))
            dir = candidate.string();
    }
    previous = fs::current_path().string();
    fs::current_path(dir);
}

FakeUsbTree::FakeUsbTree(const std::string &root) : root(root)
{
    fs::create_directories(sysfsRoot());
    fs::create_directories(devRoot() + "/usb");
}

// The interface path in the case SetupAPI reports it; the library lowers it itself.
void FakeUsbTree::addPrinter(int index, const std::string &vendor, const std::string &product,
                             const std::string &serial, Node node)
{
    const std::string instance =
        serial.empty() ? "6&2c1ab3f&0&" + std::to_string(index + 2) : serial;
    const std::string path = "\\\\?\\USB#VID_" + upper(vendor) + "&PID_" + upper(product) + "#" +
                             instance + "#" + kUsbPrintClass;
    std::ofstream list(sysfsRoot() + "\\usbprint.txt", std::ios::app | std::ios::binary);
    list << path << '\t' << index + 1 << '\t' << deviceNode(index) << '\n';
    if (node != Node::Missing)
        writeWholeFile(deviceNode(index), "");
}

std::string FakeUsbTree::deviceNode(int index) const
{
    return devRoot() + "\\usb\\lp" + std::to_string(index);
}
