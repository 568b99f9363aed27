// USB printers as outputs: which devices are ours, which port number, and the status byte.
#include "KorvalApiLock.h"
#include "KorvalState.h"
#include "KorvalUsb.h"
#include "korval.h"

#include <cstring>

namespace {

// Port number that takes the first supported printer whatever its port.
constexpr unsigned int kAnyPort = 255;

// Vendor and product substrings that mark a supported printer in its interface path.
constexpr const char *kSupportedIds[][2] = {
    {"471", "168"}, {"471", "003"}, {"3eb", "6119"}, {"3eb", "003"}, {"2a63", "001"},
};

bool supported(const std::string &path)
{
    for (const auto &pair : kSupportedIds) {
        if (path.find(pair[0]) != std::string::npos && path.find(pair[1]) != std::string::npos)
            return true;
    }
    return false;
}

// A device that is already our output cannot be opened a second time by the driver, so
// its descriptor is shared instead.
int openDevice(const KorvalUsbPrinter &printer)
{
    const KorvalState &state = korvalState();
    if (state.usbFd >= 0 && printer.deviceNode == state.usbDeviceNode)
        return korvalUsbDuplicate(state.usbFd);
    return korvalUsbOpen(printer.deviceNode);
}

struct OpenedPrinter
{
    int fd = -1;
    std::string deviceNode;
};

// Opens the first supported printer at port (any port for 255) that opens, and keeps its
// interface path in the state.
OpenedPrinter openUsbPrinter(unsigned int port)
{
    KorvalState &state = korvalState();
    OpenedPrinter opened;
    for (const KorvalUsbPrinter &printer :
         korvalUsbPrinters(state.paths.sysfsRoot, state.paths.devRoot)) {
        if (!supported(printer.interfacePath))
            continue;
        if (port != kAnyPort && unsigned(printer.portNumber) != port)
            continue;
        opened.fd = openDevice(printer);
        if (opened.fd >= 0) {
            state.usbDevicePath = printer.interfacePath;
            opened.deviceNode = printer.deviceNode;
            break;
        }
    }
    return opened;
}

// The third '#'-separated field, or false when the path has fewer than three.
bool thirdField(const std::string &path, std::string &field)
{
    const size_t first = path.find('#');
    const size_t second = first == std::string::npos ? first : path.find('#', first + 1);
    if (second == std::string::npos)
        return false;
    const size_t third = path.find('#', second + 1);
    field = path.substr(second + 1, third == std::string::npos ? third : third - second - 1);
    return true;
}

} // namespace

extern "C" KORVAL_API int OpenUSBPort(unsigned int portNumber)
{
    const KorvalApiLock lock;
    KorvalState &state = korvalState();
    const OpenedPrinter opened = openUsbPrinter(portNumber);
    if (opened.fd < 0)
        return korvalFail(KORVAL_ERR_NO_USB_PRINTER);
    korvalUsbClose(state.usbFd);
    state.usbFd = opened.fd;
    state.usbDeviceNode = opened.deviceNode;
    state.output = KorvalOutput::Usb;
    if (const int code = korvalAllocateBuffers()) {
        ClosePort();
        return korvalFail(code);
    }
    return 0;
}

extern "C" KORVAL_API int CloseUSBPort(void)
{
    const KorvalApiLock lock;
    KorvalState &state = korvalState();
    korvalUsbClose(state.usbFd);
    state.usbFd = -1;
    state.usbDeviceNode.clear();
    korvalFreeBuffers();
    if (state.output == KorvalOutput::Usb)
        state.output = state.spoolerHandle ? KorvalOutput::Spooler : KorvalOutput::None;
    return 0;
}

extern "C" KORVAL_API const char *OBX_GetUSBID(unsigned int portNumber)
{
    const KorvalApiLock lock;
    KorvalState &state = korvalState();
    const OpenedPrinter opened = openUsbPrinter(portNumber);
    korvalUsbClose(opened.fd);
    state.usbId.clear();
    if (opened.fd < 0 || !thirdField(state.usbDevicePath, state.usbId)) {
        korvalFail(KORVAL_ERR_USB_ID_NOT_FOUND);
        return nullptr;
    }
    return state.usbId.c_str();
}

extern "C" KORVAL_API int OBX_ErrorReportUSB(unsigned int portNumber)
{
    const KorvalApiLock lock;
    const OpenedPrinter opened = openUsbPrinter(portNumber);
    if (opened.fd < 0)
        return korvalFail(KORVAL_ERR_USB_STATUS_NO_PRINTER);
    const int status = korvalUsbStatus(opened.fd);
    korvalUsbClose(opened.fd);
    ClosePort();
    return status < 0 ? korvalFail(KORVAL_ERR_USB_STATUS_REFUSED) : status;
}
