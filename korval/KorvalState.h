#pragma once

#include "KorvalReceiveRing.h"
#include "KorvalSerial.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#if defined(__GNUC__)
#define KORVAL_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define KORVAL_PRINTF(fmt, args)
#endif

// Size of the command buffer, the scratch buffer and the status buffer, and the largest
// piece in which a long graphic or file is appended to the spool file (0xFA000 bytes).
constexpr size_t kKorvalBufferSize = 1024000;

// Which output the builders write for. Sending goes to the USB printer whenever one is
// open, otherwise to the CUPS queue.
enum class KorvalOutput
{
    None,
    Spooler,
    Usb
};

// Where the library finds its devices. Tests point these at a fake tree in a temporary
// folder; callers of the library never change them.
struct KorvalDevicePaths
{
#ifdef _WIN32
    std::string sysfsRoot; // empty: SetupAPI lists the USB printers
    std::string devRoot;
    std::string serialPorts[3] = {"\\\\.\\COM1", "\\\\.\\COM2", "\\\\.\\COM3"};
#else
    std::string sysfsRoot = "/sys"; // holds class/usbmisc/lpN
    std::string devRoot = "/dev";   // holds usb/lpN
    std::string serialPorts[3] = {"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2"}; // COM1..COM3
#endif
};

// The one process-wide state record of the library. Every export acts on it under the
// process-wide KorvalApiLock, held for the export's whole length. The only other thread is the
// serial reader of one status query, which touches nothing here but the ring (which locks itself)
// and readerRunning.
struct KorvalState
{
    // Outputs. Owned here; released by ClosePort.
    KorvalOutput output = KorvalOutput::None;
    int spoolerHandle = 0;     // non-zero while a CUPS queue is open; what OBX_OpenPrinter returns
    std::string spoolerQueue;  // name of that queue
    int usbFd = -1;            // the open USB printer device; -1 when none
    std::string usbDeviceNode; // its node (/dev/usb/lpN), so a second lookup can reuse the fd
    std::string usbDevicePath; // interface path of the last USB printer opened, lower case
    std::string usbId;         // the text OBX_GetUSBID hands out; valid until the next USB open

    // Spool file and the buffers of one open output.
    std::string spoolFilePath;             // <current directory>/ombrixtemp.prn
    int spoolFd = -1;                      // open spool file; -1 once sent or closed
    std::unique_ptr<char[]> commandBuffer; // kKorvalBufferSize bytes, each command formats here
    std::unique_ptr<char[]> scratchBuffer; // kKorvalBufferSize bytes, OBX_SendFile's read buffer
    uint32_t commandLength = 0;            // length of the command last formatted
    int32_t lastError = 0;

    // Serial status query; lives only inside one OBX_ErrorReport call.
    // Owned; the caller's thread opens, sets and closes it, the reader only waits and reads.
    std::unique_ptr<KorvalSerial> statusPort;
    bool statusPortOpen = false;
    KorvalSerialSettings serialSettings;
    std::unique_ptr<char[]> statusBuffer; // kKorvalBufferSize bytes: request and reply text
    std::unique_ptr<KorvalReceiveRing> receiveRing; // owned; filled by the reader thread
    std::atomic<bool> readerRunning{false};         // the reader loops while set
    std::thread readerThread;                       // joined by the caller before the ring goes
    int waitCountdown = 0; // one-second waits left for a reply; -2 once run out

    KorvalDevicePaths paths;
    int nextSpoolerHandle = 1;
};

KorvalState &korvalState();

// Stores code as the last error and returns it, so failing exports can `return korvalFail(code)`.
int korvalFail(int code);

// True when an output is open: what every builder tests first.
bool korvalOutputOpen();

// Allocates and zeroes the command and scratch buffers of an open output (kept when
// already there); 0, KORVAL_ERR_NO_COMMAND_BUFFER or KORVAL_ERR_NO_SCRATCH_BUFFER.
int korvalAllocateBuffers();
void korvalFreeBuffers();

// One write of these bytes to the spool file: 0, or KORVAL_ERR_SPOOL_WRITE (stored) when fewer
// bytes were written or no spool file is open.
int korvalWriteBytes(const void *data, size_t size);

// The same in writes of at most kKorvalBufferSize bytes, in order; stops at the first
// short write.
int korvalWriteChunked(const void *data, size_t size);

// Formats one command and writes it with one write: 0 or KORVAL_ERR_SPOOL_WRITE. A command longer
// than the command buffer is formatted in a larger buffer of its own, never truncated.
int korvalWriteCommand(const char *format, ...) KORVAL_PRINTF(1, 2);

// Closes the spool file and sends it as one CUPS job titled "My PrintJob" (raw), or with
// one write to the open USB printer: 0 or the send's code (stored).
int korvalSendSpool();

// Closes the spool file if it is open; the file stays on disk.
void korvalCloseSpoolFile();
