// USB printers on Windows: the interfaces of the USB printer class that SetupAPI lists,
// their "Port Number" from the entry's registry key, CreateFileA/WriteFile on the
// entry path, and the printer's status byte through the class driver's LPT request.
//
// Tests give sysfsRoot a folder holding usbprint.txt, a recording of what SetupAPI listed
// on a machine with printers (one "<entry path><TAB><port number><TAB><file to open>"
// per line); the system's list is used when sysfsRoot is empty.
#include "KorvalUsb.h"
#include "KorvalWin32Handle.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <initguid.h>
#include <setupapi.h>
#include <vector>

namespace {

// GUID_DEVINTERFACE_USBPRINT
DEFINE_GUID(kUsbPrintInterface, 0x28d78fad, 0x5a12, 0x11d1, 0xae, 0x5b, 0x00, 0x00, 0xf8, 0x03,
            0xa8, 0xc2);

// IOCTL_USBPRINT_GET_LPT_STATUS: one byte, the parallel-port status register.
constexpr DWORD kGetLptStatus = CTL_CODE(FILE_DEVICE_UNKNOWN, 12, METHOD_BUFFERED, FILE_ANY_ACCESS);

// Longest recorded line taken from a recording; anything longer is not a device path.
constexpr size_t kMaxRecordedLine = 4096;

std::string lowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

// The interface's "Port Number": the low two bytes of its 4-byte value.
int portNumberOf(HDEVINFO devices, SP_DEVICE_INTERFACE_DATA &entry)
{
    HKEY key = SetupDiOpenDeviceInterfaceRegKey(devices, &entry, 0, KEY_READ);
    if (key == INVALID_HANDLE_VALUE)
        return -1;
    BYTE value[4] = {};
    DWORD size = sizeof value;
    const LONG status = RegQueryValueExA(key, "Port Number", nullptr, nullptr, value, &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && size == sizeof value ? value[1] * 256 + value[0] : -1;
}

std::string interfacePathOf(HDEVINFO devices, SP_DEVICE_INTERFACE_DATA &entry)
{
    DWORD needed = 0;
    SetupDiGetDeviceInterfaceDetailA(devices, &entry, nullptr, 0, &needed, nullptr);
    if (needed < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A))
        return std::string();
    std::vector<char> buffer(needed);
    auto *detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A *>(buffer.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    if (!SetupDiGetDeviceInterfaceDetailA(devices, &entry, detail, needed, nullptr, nullptr))
        return std::string();
    return detail->DevicePath;
}

std::vector<KorvalUsbPrinter> systemPrinters()
{
    std::vector<KorvalUsbPrinter> printers;
    HDEVINFO devices = SetupDiGetClassDevsA(&kUsbPrintInterface, nullptr, nullptr,
                                            DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (devices == INVALID_HANDLE_VALUE)
        return printers;
    SP_DEVICE_INTERFACE_DATA entry = {};
    entry.cbSize = sizeof entry;
    for (DWORD i = 0; SetupDiEnumDeviceInterfaces(devices, nullptr, &kUsbPrintInterface, i, &entry);
         ++i) {
        const std::string path = interfacePathOf(devices, entry);
        if (path.empty())
            continue;
        KorvalUsbPrinter printer;
        printer.interfacePath = lowerCase(path);
        printer.deviceNode = path;
        printer.portNumber = portNumberOf(devices, entry);
        printers.push_back(printer);
    }
    SetupDiDestroyDeviceInfoList(devices);
    return printers;
}

std::vector<KorvalUsbPrinter> recordedPrinters(const std::string &folder)
{
    std::vector<KorvalUsbPrinter> printers;
    std::ifstream in(folder + "\\usbprint.txt");
    std::string line;
    while (std::getline(in, line) && line.size() <= kMaxRecordedLine) {
        const size_t tab1 = line.find('\t');
        const size_t tab2 = tab1 == std::string::npos ? tab1 : line.find('\t', tab1 + 1);
        if (tab2 == std::string::npos)
            continue;
        KorvalUsbPrinter printer;
        printer.interfacePath = lowerCase(line.substr(0, tab1));
        printer.portNumber = std::atoi(line.substr(tab1 + 1, tab2 - tab1 - 1).c_str());
        printer.deviceNode = line.substr(tab2 + 1);
        printers.push_back(printer);
    }
    return printers;
}

} // namespace

std::vector<KorvalUsbPrinter> korvalUsbPrinters(const std::string &sysfsRoot,
                                                const std::string &devRoot)
{
    (void)devRoot; // the entry path is what Windows opens
    return sysfsRoot.empty() ? systemPrinters() : recordedPrinters(sysfsRoot);
}

int korvalUsbOpen(const std::string &deviceNode)
{
    const HANDLE device = CreateFileA(deviceNode.c_str(), GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    return device == INVALID_HANDLE_VALUE ? -1 : korvalHandleToInt(device);
}

int korvalUsbDuplicate(int fd)
{
    HANDLE copy = nullptr;
    const HANDLE self = GetCurrentProcess();
    if (fd < 0 ||
        !DuplicateHandle(self, korvalIntToHandle(fd), self, &copy, 0, FALSE, DUPLICATE_SAME_ACCESS))
        return -1;
    return korvalHandleToInt(copy);
}

size_t korvalUsbWrite(int fd, const void *data, size_t size)
{
    return korvalHandleWrite(fd, data, size);
}

int korvalUsbStatus(int fd)
{
    unsigned char request = 0;
    unsigned char status = 0;
    DWORD returned = 0;
    if (fd < 0 ||
        !DeviceIoControl(korvalIntToHandle(fd), kGetLptStatus, &request, sizeof request, &status,
                         sizeof status, &returned, nullptr) ||
        returned < 1)
        return -1;
    return status;
}

void korvalUsbClose(int fd)
{
    if (fd >= 0)
        CloseHandle(korvalIntToHandle(fd));
}
