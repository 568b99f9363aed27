#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Line settings of the status port: 8 data bits, no parity, one stop bit, binary, no
// software flow control; hardware handshake (CTS/RTS) only when asked for.
struct KorvalSerialSettings
{
    uint32_t baudRate = 9600;
    bool handshake = false;
};

// One serial port opened for the printer's status request. The caller's thread opens,
// configures, writes and closes it; the reader thread only waits on it and reads, and is
// woken by wake() when it must stop.
class KorvalSerial
{
public:
    enum class Wait
    {
        Readable, // bytes are queued
        Woken,    // wake() was called, or the wait timed out
        Closed    // the line hung up or failed; nothing more will arrive
    };

    KorvalSerial() = default;
    KorvalSerial(const KorvalSerial &) = delete;
    KorvalSerial &operator=(const KorvalSerial &) = delete;
    ~KorvalSerial();

    // Opens the device for reading and writing, exclusively, and the wake-up channel.
    bool open(const std::string &path);
    void close();
    bool isOpen() const { return fd >= 0; }

    bool apply(const KorvalSerialSettings &settings);
    // Drops whatever is queued in both directions.
    bool purge();
    // Writes all bytes within timeoutMs; returns the bytes written.
    size_t write(const void *data, size_t size, int timeoutMs);

    Wait waitReadable(int timeoutMs);
    // Reads what is queued, at most size bytes: the count, 0 when nothing is queued, -1
    // when the line failed or hung up.
    long readSome(void *out, size_t size);
    void wake();

private:
    int fd = -1;     // the port; the caller's thread opens and closes it
    int wakeFd = -1; // eventfd that ends the reader's wait
};
