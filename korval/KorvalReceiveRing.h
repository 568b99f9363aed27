#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>

// The bytes a status reply brings, between the serial reader thread (which writes) and the
// caller of the status query (which reads). Positions and the wrapped flag are guarded by
// the ring's own mutex; the condition variable stands for the "data ready" signal.
class KorvalReceiveRing
{
public:
    static constexpr size_t kSize = 4096;

    // Reader side: room that a write can fill now, and the write itself, which stores at
    // most that much and wakes a waiting caller. Returns the bytes stored.
    size_t freeSpace() const;
    size_t write(const char *data, size_t size);

    // Caller side.
    size_t available() const;
    size_t read(char *out, size_t size);
    // Waits up to timeout for at least count bytes; true when they are there.
    bool waitAvailable(size_t count, std::chrono::milliseconds timeout);

private:
    size_t availableLocked() const;
    size_t freeLocked() const;
    size_t contiguousFreeLocked() const;

    mutable std::mutex mutex;
    std::condition_variable dataReady;
    std::array<char, kSize> bytes{};
    size_t readPos = 0;   // guarded by mutex
    size_t writePos = 0;  // guarded by mutex
    bool wrapped = false; // the write position has wrapped ahead of the read position
};
