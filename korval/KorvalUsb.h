#pragma once

#include <cstddef>
#include <string>
#include <vector>

// USB printers that the kernel's printer class driver knows, in index order.
struct KorvalUsbPrinter
{
    // Interface path in the shape the matching and OBX_GetUSBID expect, lower case:
    // usb#vid_XXXX&pid_YYYY#<serial or bus path>#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}
    std::string interfacePath;
    std::string deviceNode; // the device to open and write
    int portNumber = -1;    // 1 for the first printer port (USB001)
};

std::vector<KorvalUsbPrinter> korvalUsbPrinters(const std::string &sysfsRoot,
                                                const std::string &devRoot);

// Opens the device for reading and writing; the descriptor or -1.
int korvalUsbOpen(const std::string &deviceNode);
// Duplicates an open descriptor, for a second user of a device that is already open.
int korvalUsbDuplicate(int fd);
// One write; the bytes written (0 on failure).
size_t korvalUsbWrite(int fd, const void *data, size_t size);
// The printer's status byte (0 to 255), or -1 when the driver refuses the request.
int korvalUsbStatus(int fd);
void korvalUsbClose(int fd);
