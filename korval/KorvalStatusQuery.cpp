// The printer's status over a serial port: send the status request, let a reader thread
// collect what comes back in the receive ring, take the first four bytes of the reply.
#include "KorvalStatusQuery.h"
#include "KorvalApiLock.h"

#include "KorvalState.h"
#include "korval.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <system_error>

namespace {

constexpr char kStatusRequest[] = "^ee\r\n"; // the printer answers with its status
constexpr size_t kReplySize = 4;             // two decimal digits, CR, LF

// Rates the status port accepts; the line then runs at a rate clamped into 9600...56000.
constexpr uint32_t kAllowedRates[] = {110,   300,   600,   1200,  2400,   4800,  9600,
                                      14400, 19200, 38400, 56000, 128000, 256000};
constexpr uint32_t kSlowestRate = 9600;
constexpr uint32_t kFastestRate = 56000;

// A write may take 2 ms per byte (19200 / 9600 baud) plus two seconds.
constexpr int kWriteMsPerByte = 2;
constexpr int kWriteConstantMs = 2000;
constexpr int kReaderWaitMs = 500;
constexpr auto kReplyWaitStep = std::chrono::milliseconds(1000);
constexpr auto kFullRingPause = std::chrono::milliseconds(10);

bool rateAllowed(uint32_t rate)
{
    return std::find(std::begin(kAllowedRates), std::end(kAllowedRates), rate) !=
           std::end(kAllowedRates);
}

bool openStatusPort(int comPort)
{
    KorvalState &state = korvalState();
    if (comPort < 1 || comPort > 3)
        return false;
    auto port = std::make_unique<KorvalSerial>();
    const KorvalSerialSettings initial;
    if (!port->open(state.paths.serialPorts[comPort - 1]) || !port->purge() ||
        !port->apply(initial))
        return false;
    state.statusBuffer.reset(new (std::nothrow) char[kKorvalBufferSize]);
    if (!state.statusBuffer)
        return false;
    state.serialSettings = initial;
    state.statusPort = std::move(port);
    state.statusPortOpen = true;
    return true;
}

// Runs on the reader thread: waits for bytes and moves them into the ring until told to
// stop or the line goes away.
void readerLoop(KorvalSerial *port, KorvalReceiveRing *ring, std::atomic<bool> *running)
{
    char chunk[KorvalReceiveRing::kSize];
    while (running->load()) {
        const size_t room = ring->freeSpace();
        if (room == 0) {
            std::this_thread::sleep_for(kFullRingPause);
            continue;
        }
        const KorvalSerial::Wait wait = port->waitReadable(kReaderWaitMs);
        if (wait == KorvalSerial::Wait::Closed)
            return;
        if (wait != KorvalSerial::Wait::Readable)
            continue;
        const long got = port->readSome(chunk, room);
        if (got < 0)
            return;
        ring->write(chunk, size_t(got));
    }
}

int startReader()
{
    KorvalState &state = korvalState();
    if (!state.statusPort->purge())
        return KORVAL_ERR_READER_PURGE;
    state.readerRunning = true;
    state.receiveRing.reset(new (std::nothrow) KorvalReceiveRing);
    if (!state.receiveRing)
        return KORVAL_ERR_READER_RING;
    try {
        state.readerThread = std::thread(readerLoop, state.statusPort.get(),
                                         state.receiveRing.get(), &state.readerRunning);
    } catch (const std::system_error &) {
        return KORVAL_ERR_READER_THREAD;
    }
    return 0;
}

int sendStatusRequest()
{
    KorvalState &state = korvalState();
    const size_t size = sizeof kStatusRequest - 1;
    std::memcpy(state.statusBuffer.get(), kStatusRequest, size);
    const int timeoutMs = kWriteMsPerByte * int(size) + kWriteConstantMs;
    return state.statusPort->write(state.statusBuffer.get(), size, timeoutMs) == size
               ? 0
               : KORVAL_ERR_STATUS_REQUEST;
}

// Waits one second at a time, at most waitSeconds times, for the whole reply.
bool readReply(char *reply, int waitSeconds)
{
    KorvalState &state = korvalState();
    state.waitCountdown = waitSeconds;
    while (state.receiveRing->available() < kReplySize) {
        if (state.waitCountdown < 1) {
            state.waitCountdown = -2;
            return false;
        }
        --state.waitCountdown;
        state.receiveRing->waitAvailable(kReplySize, kReplyWaitStep);
    }
    return state.receiveRing->read(reply, kReplySize) == kReplySize;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The decimal status in the reply's first two bytes; -1 when it does not start with one.
int replyStatus(const char *reply)
{
    if (!isDigit(reply[0]))
        return -1;
    if (!isDigit(reply[1]))
        return reply[0] - '0';
    return (reply[0] - '0') * 10 + (reply[1] - '0');
}

} // namespace

void korvalStopStatusQuery()
{
    KorvalState &state = korvalState();
    state.readerRunning = false;
    state.statusBuffer.reset();
    if (state.statusPort)
        state.statusPort->wake();
    if (state.readerThread.joinable())
        state.readerThread.join();
    state.receiveRing.reset();
    if (state.statusPort) {
        state.statusPort->purge();
        state.statusPort->close();
        state.statusPort.reset();
    }
    state.statusPortOpen = false;
}

extern "C" KORVAL_API int SetPCComPort(unsigned int baudRate, int handshake)
{
    const KorvalApiLock lock;
    KorvalState &state = korvalState();
    if (!state.statusPortOpen || !state.statusPort)
        return korvalFail(KORVAL_ERR_NO_SERIAL_PORT);
    if (!rateAllowed(baudRate))
        return korvalFail(KORVAL_ERR_BAUD_RATE);
    KorvalSerialSettings settings;
    settings.baudRate = std::clamp(baudRate, kSlowestRate, kFastestRate);
    settings.handshake = handshake != 0;
    if (!state.statusPort->apply(settings))
        return korvalFail(KORVAL_ERR_SERIAL_REFUSED);
    state.serialSettings = settings;
    return 0;
}

extern "C" KORVAL_API int OBX_ErrorReport(int comPort, int reserved, unsigned int baudRate,
                                          int handshake, int waitSeconds)
{
    const KorvalApiLock lock;
    (void)reserved;
    if (!openStatusPort(comPort)) {
        korvalStopStatusQuery();
        return korvalFail(KORVAL_ERR_STATUS_PORT);
    }
    SetPCComPort(baudRate, handshake);
    int code = startReader();
    if (code == 0)
        code = sendStatusRequest();
    char reply[kReplySize] = {};
    const bool replied = code == 0 && readReply(reply, waitSeconds);
    korvalStopStatusQuery();
    ClosePort();
    if (code != 0)
        return korvalFail(code);
    const int status = replied ? replyStatus(reply) : -1;
    return status < 0 ? korvalFail(KORVAL_ERR_STATUS_NO_REPLY) : status;
}
