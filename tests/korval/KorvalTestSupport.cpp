// The builder tests' support on Linux: a scratch working folder under /tmp, and USB
// printers as a fake sysfs tree with a regular file or a FIFO standing for each device node.
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

ScopedWorkDir::ScopedWorkDir()
{
    std::string pattern = "/tmp/korval-test-" + std::to_string(getpid()) + "-XXXXXX";
    if (mkdtemp(pattern.data()))
        dir = pattern;
    previous = fs::current_path().string();
    fs::current_path(dir);
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

std::string FakeUsbTree::deviceNode(int index) const
{
    return devRoot() + "/usb/lp" + std::to_string(index);
}
