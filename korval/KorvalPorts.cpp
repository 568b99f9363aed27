// Opening and closing the outputs: a CUPS queue, and closing whatever is open.
#include "KorvalApiLock.h"
#include "KorvalSpoolFile.h"
#include "KorvalSpooler.h"
#include "KorvalState.h"
#include "KorvalUsb.h"
#include "korval.h"

namespace {

// "Work offline" is answered, not stored: the output is usable once the queue resumes.

bool anyPrinterOpen()
{
    const KorvalState &state = korvalState();
    return state.spoolerHandle != 0 || state.usbFd >= 0;
}

int allocateOrClose()
{
    const int code = korvalAllocateBuffers();
    if (code != 0)
        ClosePort();
    return code;
}

void useQueue(const char *queue)
{
    KorvalState &state = korvalState();
    state.spoolerHandle = state.nextSpoolerHandle++;
    if (state.nextSpoolerHandle <= 0)
        state.nextSpoolerHandle = 1;
    state.spoolerQueue = queue;
    state.output = KorvalOutput::Spooler;
}

} // namespace

extern "C" KORVAL_API int OpenPort(const char *printerName)
{
    const KorvalApiLock lock;
    if (anyPrinterOpen())
        return korvalFail(KORVAL_ERR_ALREADY_OPEN);
    if (const int code = allocateOrClose())
        return korvalFail(code);
    const KorvalQueueInfo queue = korvalSpoolerLookup(printerName);
    if (!queue.found)
        return korvalFail(KORVAL_ERR_NO_SUCH_PRINTER);
    useQueue(printerName);
    return queue.offline ? KORVAL_ERR_PRINTER_OFFLINE : 0;
}

extern "C" KORVAL_API int ClosePort(void)
{
    const KorvalApiLock lock;
    KorvalState &state = korvalState();
    korvalFreeBuffers();
    korvalCloseSpoolFile();
    korvalSpoolFileDelete(state.spoolFilePath);
    state.spoolFilePath.clear();
    korvalUsbClose(state.usbFd);
    state.usbFd = -1;
    state.usbDeviceNode.clear();
    state.spoolerHandle = 0;
    state.spoolerQueue.clear();
    state.output = KorvalOutput::None;
    return 0;
}

extern "C" KORVAL_API int OBX_OpenPrinter(const char *printerName)
{
    const KorvalApiLock lock;
    if (anyPrinterOpen()) {
        korvalFail(KORVAL_ERR_ALREADY_OPEN);
        return 0;
    }
    if (!korvalSpoolerLookup(printerName).found) {
        korvalFail(KORVAL_ERR_NO_SUCH_PRINTER);
        return 0;
    }
    if (const int code = allocateOrClose()) {
        korvalFail(code);
        return 0;
    }
    useQueue(printerName);
    return korvalState().spoolerHandle;
}

extern "C" KORVAL_API int OBX_ClosePrinter(void)
{
    const KorvalApiLock lock;
    KorvalState &state = korvalState();
    if (state.spoolerHandle == 0)
        return 0;
    state.spoolerHandle = 0;
    state.spoolerQueue.clear();
    if (state.output == KorvalOutput::Spooler)
        state.output = KorvalOutput::None;
    return 1;
}
