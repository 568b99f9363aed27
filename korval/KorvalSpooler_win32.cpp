// Spooler output through the Windows print spooler: the queue is a printer name that
// OpenPrinterA knows, and the job is one raw document written in one page.
#include "KorvalSpooler.h"

#include <algorithm>
#include <vector>
#include <windows.h>
#include <winspool.h>

namespace {

// Closes the printer handle on every way out.
class PrinterHandle
{
public:
    explicit PrinterHandle(const char *name)
    {
        if (!OpenPrinterA(const_cast<char *>(name), &handle, nullptr))
            handle = nullptr;
    }
    ~PrinterHandle()
    {
        if (handle)
            ClosePrinter(handle);
    }
    PrinterHandle(const PrinterHandle &) = delete;
    PrinterHandle &operator=(const PrinterHandle &) = delete;

    HANDLE get() const { return handle; }

private:
    HANDLE handle = nullptr; // owned
};

// Level 2 of the printer: paused, offline, or set to "use printer offline".
bool printerOffline(HANDLE printer)
{
    DWORD needed = 0;
    GetPrinterA(printer, 2, nullptr, 0, &needed);
    if (needed == 0)
        return false;
    std::vector<BYTE> buffer(needed);
    if (!GetPrinterA(printer, 2, buffer.data(), needed, &needed))
        return false;
    const auto *info = reinterpret_cast<const PRINTER_INFO_2A *>(buffer.data());
    return (info->Attributes & PRINTER_ATTRIBUTE_WORK_OFFLINE) != 0 ||
           (info->Status & (PRINTER_STATUS_OFFLINE | PRINTER_STATUS_PAUSED)) != 0;
}

} // namespace

KorvalQueueInfo korvalSpoolerLookup(const char *queue)
{
    KorvalQueueInfo info;
    if (!queue || !*queue)
        return info;
    const PrinterHandle printer(queue);
    if (!printer.get())
        return info;
    info.found = true;
    info.offline = printerOffline(printer.get());
    return info;
}

KorvalSpoolerResult korvalSpoolerPrintRaw(const std::string &queue, const char *title,
                                          const char *data, size_t size)
{
    const PrinterHandle printer(queue.c_str());
    if (!printer.get())
        return KorvalSpoolerResult::StartFailed;
    DOC_INFO_1A doc = {};
    doc.pDocName = const_cast<char *>(title);
    doc.pDatatype = const_cast<char *>("RAW");
    if (StartDocPrinterA(printer.get(), 1, reinterpret_cast<BYTE *>(&doc)) == 0)
        return KorvalSpoolerResult::StartFailed;
    if (!StartPagePrinter(printer.get())) {
        EndDocPrinter(printer.get());
        return KorvalSpoolerResult::StartFailed;
    }
    // WritePrinter takes a DWORD count; a spool file beyond that goes in several writes.
    bool written = true;
    size_t done = 0;
    while (written && done < size) {
        const DWORD piece = DWORD(std::min<size_t>(size - done, 0x40000000));
        DWORD wrote = 0;
        written = WritePrinter(printer.get(), const_cast<char *>(data + done), piece, &wrote) &&
                  wrote > 0;
        done += wrote;
    }
    if (!written) {
        // A job cut short must not reach the printer as a label of half a command.
        AbortPrinter(printer.get());
        return KorvalSpoolerResult::WriteFailed;
    }
    const bool pageEnded = EndPagePrinter(printer.get()) != 0;
    const bool docEnded = EndDocPrinter(printer.get()) != 0;
    return pageEnded && docEnded ? KorvalSpoolerResult::Ok : KorvalSpoolerResult::EndFailed;
}
