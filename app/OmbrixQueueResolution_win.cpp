#include "app/OmbrixQueueResolution.h"

#include <windows.h>
#include <winspool.h>

#include <vector>

namespace {
// The printer's information at level 2, or an empty buffer when it cannot be read.
std::vector<BYTE> printerInfo(HANDLE printer)
{
    DWORD needed = 0;
    GetPrinterW(printer, 2, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed);
    if (needed == 0 || !GetPrinterW(printer, 2, buffer.data(), needed, &needed))
        buffer.clear();
    return buffer;
}

// Vertical dots per inch of the queue's device mode; 0 when it gives none.
int verticalDpiOf(const DEVMODEW *mode)
{
    if (!mode)
        return 0;
    if (mode->dmFields & DM_YRESOLUTION && mode->dmYResolution > 0)
        return mode->dmYResolution;
    // Without a separate vertical value the print quality, when positive, is the DPI.
    if (mode->dmFields & DM_PRINTQUALITY && mode->dmPrintQuality > 0)
        return mode->dmPrintQuality;
    return 0;
}
} // namespace

OmbrixQueueResolution OmbrixQueueResolution::query(const QString &queueName)
{
    OmbrixQueueResolution result;
    if (queueName.isEmpty())
        return result;
    std::wstring name = queueName.toStdWString();
    HANDLE printer = nullptr;
    if (!OpenPrinterW(&name[0], &printer, nullptr))
        return result;
    const std::vector<BYTE> info = printerInfo(printer);
    ClosePrinter(printer);
    if (info.empty())
        return result;
    const auto *level2 = reinterpret_cast<const PRINTER_INFO_2W *>(info.data());
    result.verticalDpi = verticalDpiOf(level2->pDevMode);
    result.state = result.verticalDpi > 0 ? State::Known : State::NoResolution;
    return result;
}
