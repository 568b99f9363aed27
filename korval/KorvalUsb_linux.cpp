// USB printers through the kernel's usblp driver: sysfs names the devices and their ids,
// /dev/usb/lpN is written, LPGETSTATUS reads the status byte.
#include "KorvalUsb.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <linux/lp.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// Device interface class of USB printers, as it closes every interface path.
constexpr const char *kUsbPrinterClass = "{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";

std::string readFirstLine(const std::string &path)
{
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back())))
        line.pop_back();
    return line;
}

std::string lowerCase(std::string text)
{
    for (char &c : text)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The instance field must not contain the path's own separators.
std::string instanceField(std::string text)
{
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '#' || c == '\\' || c == '/'; }, '_');
    return text;
}

std::string resolvedDeviceDir(const std::string &classEntry)
{
    char resolved[PATH_MAX];
    if (!realpath((classEntry + "/device/..").c_str(), resolved))
        return std::string();
    return resolved;
}

// lpN indexes under class/usbmisc, ascending.
std::vector<int> printerIndexes(const std::string &classDir)
{
    std::vector<int> indexes;
    DIR *dir = opendir(classDir.c_str());
    if (!dir)
        return indexes;
    while (const dirent *entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() > 2 && name.compare(0, 2, "lp") == 0 &&
            std::all_of(name.begin() + 2, name.end(), [](char c) { return c >= '0' && c <= '9'; }))
            indexes.push_back(std::atoi(name.c_str() + 2));
    }
    closedir(dir);
    std::sort(indexes.begin(), indexes.end());
    return indexes;
}

bool describePrinter(const std::string &classDir, int index, const std::string &devRoot,
                     KorvalUsbPrinter &printer)
{
    const std::string lp = "lp" + std::to_string(index);
    const std::string deviceDir = resolvedDeviceDir(classDir + "/" + lp);
    if (deviceDir.empty())
        return false;
    const std::string vendor = readFirstLine(deviceDir + "/idVendor");
    const std::string product = readFirstLine(deviceDir + "/idProduct");
    if (vendor.empty() || product.empty())
        return false;
    std::string instance = readFirstLine(deviceDir + "/serial");
    if (instance.empty())
        instance = deviceDir.substr(deviceDir.rfind('/') + 1);
    printer.interfacePath = lowerCase("usb#vid_" + vendor + "&pid_" + product + "#" +
                                      instanceField(instance) + "#" + kUsbPrinterClass);
    printer.deviceNode = devRoot + "/usb/" + lp;
    printer.portNumber = index + 1;
    return true;
}

} // namespace

std::vector<KorvalUsbPrinter> korvalUsbPrinters(const std::string &sysfsRoot,
                                                const std::string &devRoot)
{
    const std::string classDir = sysfsRoot + "/class/usbmisc";
    std::vector<KorvalUsbPrinter> printers;
    for (int index : printerIndexes(classDir)) {
        KorvalUsbPrinter printer;
        if (describePrinter(classDir, index, devRoot, printer))
            printers.push_back(printer);
    }
    return printers;
}

int korvalUsbOpen(const std::string &deviceNode)
{
    return ::open(deviceNode.c_str(), O_RDWR | O_CLOEXEC);
}

int korvalUsbDuplicate(int fd)
{
    return fcntl(fd, F_DUPFD_CLOEXEC, 0);
}

size_t korvalUsbWrite(int fd, const void *data, size_t size)
{
    ssize_t n;
    do {
        n = ::write(fd, data, size);
    } while (n < 0 && errno == EINTR);
    return n > 0 ? size_t(n) : 0;
}

int korvalUsbStatus(int fd)
{
    int status = 0;
    if (ioctl(fd, LPGETSTATUS, &status) != 0)
        return -1;
    return status & 0xFF;
}

void korvalUsbClose(int fd)
{
    if (fd >= 0)
        ::close(fd);
}
