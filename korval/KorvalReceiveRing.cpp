#include "KorvalReceiveRing.h"

#include <algorithm>
#include <cstring>

size_t KorvalReceiveRing::availableLocked() const
{
    if (writePos > readPos)
        return writePos - readPos;
    if (wrapped)
        return kSize - readPos + writePos;
    return 0;
}

size_t KorvalReceiveRing::freeLocked() const
{
    return kSize - availableLocked();
}

// From the write position up to the read position, or up to the end while the writer is
// still behind the end; nothing while the ring is full.
size_t KorvalReceiveRing::contiguousFreeLocked() const
{
    return wrapped ? readPos - writePos : kSize - writePos;
}

size_t KorvalReceiveRing::freeSpace() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return freeLocked();
}

size_t KorvalReceiveRing::available() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return availableLocked();
}

size_t KorvalReceiveRing::write(const char *data, size_t size)
{
    size_t stored = 0;
    {
        std::lock_guard<std::mutex> lock(mutex);
        while (stored < size) {
            const size_t piece = std::min(size - stored, contiguousFreeLocked());
            if (piece == 0)
                break;
            std::memcpy(bytes.data() + writePos, data + stored, piece);
            writePos += piece;
            stored += piece;
            if (writePos == kSize && !wrapped) {
                writePos = 0;
                wrapped = true;
            }
        }
    }
    if (stored > 0)
        dataReady.notify_all();
    return stored;
}

size_t KorvalReceiveRing::read(char *out, size_t size)
{
    std::lock_guard<std::mutex> lock(mutex);
    size_t copied = 0;
    while (copied < size && availableLocked() > 0) {
        const size_t end = wrapped ? kSize : writePos;
        const size_t piece = std::min(size - copied, end - readPos);
        std::memcpy(out + copied, bytes.data() + readPos, piece);
        readPos += piece;
        copied += piece;
        if (readPos == kSize && wrapped) {
            readPos = 0;
            wrapped = false;
        }
    }
    return copied;
}

bool KorvalReceiveRing::waitAvailable(size_t count, std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(mutex);
    return dataReady.wait_for(lock, timeout, [&] { return availableLocked() >= count; });
}
