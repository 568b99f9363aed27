// Serial status port on Windows: the COM port opened for overlapped I/O, a comm event
// (EV_RXCHAR) for the reader, and an event of our own to wake it. The descriptor fields
// of KorvalSerial hold the port's and the wake event's handles.
#include "KorvalSerial.h"
#include "KorvalWin32Handle.h"

#include <algorithm>

namespace {

constexpr char kXonChar = 0x11;  // DC1
constexpr char kXoffChar = 0x13; // DC3
// Longest single wait for the comm event. Some drivers (and Wine on a pseudo-terminal)
// never signal EV_RXCHAR, so the queue is looked at again after each slice.
constexpr ULONGLONG kCommEventSliceMs = 50;
constexpr DWORD kQueueSize = 4096;      // driver queues in each direction
constexpr DWORD kReadTimeoutMs = 1000;  // a read waits this long for its first byte
constexpr DWORD kWriteMsRate = 19200;   // over the baud rate: milliseconds per byte written
constexpr DWORD kWriteTimeoutMs = 2000; // plus this

// An overlapped request with its own manual-reset event, closed on every way out.
struct Overlapped
{
    Overlapped() { request.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr); }
    ~Overlapped()
    {
        if (request.hEvent)
            CloseHandle(request.hEvent);
    }
    Overlapped(const Overlapped &) = delete;
    Overlapped &operator=(const Overlapped &) = delete;

    OVERLAPPED request = {};
};

// Waits up to timeoutMs for a started request; cancels it when it does not complete, so
// the buffer it writes into can go. The bytes moved, or -1 when it failed.
long finish(HANDLE port, Overlapped &io, DWORD timeoutMs)
{
    DWORD moved = 0;
    if (WaitForSingleObject(io.request.hEvent, timeoutMs) != WAIT_OBJECT_0) {
        CancelIoEx(port, &io.request);
        GetOverlappedResult(port, &io.request, &moved, TRUE);
        return long(moved);
    }
    return GetOverlappedResult(port, &io.request, &moved, FALSE) ? long(moved) : -1;
}

// Readable when bytes are queued, Closed when the port fails, Woken otherwise.
KorvalSerial::Wait queuedBytes(HANDLE port)
{
    COMSTAT stat = {};
    DWORD errors = 0;
    if (!ClearCommError(port, &errors, &stat))
        return KorvalSerial::Wait::Closed;
    return stat.cbInQue > 0 ? KorvalSerial::Wait::Readable : KorvalSerial::Wait::Woken;
}

// One wait for a character (EV_RXCHAR) or the wake event, at most sliceMs. Readable means
// "look again": the comm event fired or the slice ran out.
KorvalSerial::Wait waitCommEvent(HANDLE port, HANDLE wakeEvent, DWORD sliceMs)
{
    Overlapped io;
    if (!io.request.hEvent)
        return KorvalSerial::Wait::Closed;
    DWORD mask = 0;
    if (WaitCommEvent(port, &mask, &io.request))
        return KorvalSerial::Wait::Readable;
    if (GetLastError() != ERROR_IO_PENDING)
        return KorvalSerial::Wait::Closed;
    const HANDLE events[2] = {io.request.hEvent, wakeEvent};
    const DWORD which = WaitForMultipleObjects(2, events, FALSE, sliceMs);
    if (which != WAIT_OBJECT_0) {
        // The request must end before its OVERLAPPED goes.
        CancelIoEx(port, &io.request);
        DWORD ignored = 0;
        GetOverlappedResult(port, &io.request, &ignored, TRUE);
    }
    return which == WAIT_OBJECT_0 + 1 ? KorvalSerial::Wait::Woken : KorvalSerial::Wait::Readable;
}

} // namespace

KorvalSerial::~KorvalSerial()
{
    close();
}

bool KorvalSerial::open(const std::string &path)
{
    close();
    // Exclusive by nature: a COM port admits one opener.
    const HANDLE port = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (port == INVALID_HANDLE_VALUE)
        return false;
    fd = korvalHandleToInt(port);
    const HANDLE wakeEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!wakeEvent || !SetCommMask(port, EV_RXCHAR | EV_ERR)) {
        if (wakeEvent)
            CloseHandle(wakeEvent);
        close();
        return false;
    }
    wakeFd = korvalHandleToInt(wakeEvent);
    SetupComm(port, kQueueSize, kQueueSize);
    return true;
}

void KorvalSerial::close()
{
    if (fd >= 0)
        CloseHandle(korvalIntToHandle(fd));
    if (wakeFd >= 0)
        CloseHandle(korvalIntToHandle(wakeFd));
    fd = -1;
    wakeFd = -1;
}

bool KorvalSerial::apply(const KorvalSerialSettings &settings)
{
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(korvalIntToHandle(fd), &dcb))
        return false;
    dcb.BaudRate = settings.baudRate;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fOutxCtsFlow = settings.handshake;
    dcb.fRtsControl = settings.handshake ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.XonChar = kXonChar;
    dcb.XoffChar = kXoffChar;
    dcb.fAbortOnError = FALSE;
    if (!SetCommState(korvalIntToHandle(fd), &dcb))
        return false;
    // A read takes what is queued (the reader reads only then); a write may take the
    // time of its bytes at the line's rate plus two seconds.
    COMMTIMEOUTS timeouts = {};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutConstant = kReadTimeoutMs;
    timeouts.WriteTotalTimeoutMultiplier =
        settings.baudRate > 0 ? kWriteMsRate / settings.baudRate : 0;
    timeouts.WriteTotalTimeoutConstant = kWriteTimeoutMs;
    return SetCommTimeouts(korvalIntToHandle(fd), &timeouts) != 0;
}

bool KorvalSerial::purge()
{
    return PurgeComm(korvalIntToHandle(fd),
                     PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR) != 0;
}

size_t KorvalSerial::write(const void *data, size_t size, int timeoutMs)
{
    const HANDLE port = korvalIntToHandle(fd);
    if (size > MAXDWORD)
        return 0;
    Overlapped io;
    if (!io.request.hEvent)
        return 0;
    DWORD written = 0;
    if (WriteFile(port, data, DWORD(size), &written, &io.request))
        return written;
    if (GetLastError() != ERROR_IO_PENDING)
        return 0;
    const long moved = finish(port, io, DWORD(timeoutMs));
    return moved > 0 ? size_t(moved) : 0;
}

KorvalSerial::Wait KorvalSerial::waitReadable(int timeoutMs)
{
    const HANDLE port = korvalIntToHandle(fd);
    const ULONGLONG deadline = GetTickCount64() + ULONGLONG(timeoutMs > 0 ? timeoutMs : 0);
    for (;;) {
        const Wait queued = queuedBytes(port);
        if (queued != Wait::Woken)
            return queued;
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            return Wait::Woken;
        const DWORD slice = DWORD(std::min<ULONGLONG>(deadline - now, kCommEventSliceMs));
        const Wait waited = waitCommEvent(port, korvalIntToHandle(wakeFd), slice);
        if (waited != Wait::Readable)
            return waited;
    }
}

long KorvalSerial::readSome(void *out, size_t size)
{
    const HANDLE port = korvalIntToHandle(fd);
    Overlapped io;
    if (!io.request.hEvent)
        return -1;
    const DWORD wanted = DWORD(size > MAXDWORD ? MAXDWORD : size);
    DWORD got = 0;
    if (ReadFile(port, out, wanted, &got, &io.request))
        return long(got);
    if (GetLastError() != ERROR_IO_PENDING)
        return -1;
    // The read timeouts make a pending read return at once with what is queued.
    return finish(port, io, INFINITE);
}

void KorvalSerial::wake()
{
    if (wakeFd >= 0)
        SetEvent(korvalIntToHandle(wakeFd));
}
