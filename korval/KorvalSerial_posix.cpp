// Serial status port on POSIX: the device node with termios2 (which takes any rate, so
// 14400 and 56000 are set as they are), poll for the reader, an eventfd to wake it.
#include "KorvalSerial.h"

#include <asm/termbits.h>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

constexpr unsigned char kXonChar = 0x11;  // DC1
constexpr unsigned char kXoffChar = 0x13; // DC3

void makeRaw(struct termios2 &tio, const KorvalSerialSettings &settings)
{
    tio.c_iflag &=
        ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | INPCK);
    tio.c_oflag &= ~OPOST;
    tio.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CBAUD | CRTSCTS);
    tio.c_cflag |= CS8 | CREAD | CLOCAL | BOTHER;
    if (settings.handshake)
        tio.c_cflag |= CRTSCTS;
    tio.c_ispeed = settings.baudRate;
    tio.c_ospeed = settings.baudRate;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    tio.c_cc[VSTART] = kXonChar;
    tio.c_cc[VSTOP] = kXoffChar;
}

} // namespace

KorvalSerial::~KorvalSerial()
{
    close();
}

bool KorvalSerial::open(const std::string &path)
{
    close();
    fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd < 0 || ioctl(fd, TIOCEXCL) != 0) {
        close();
        return false;
    }
    return true;
}

void KorvalSerial::close()
{
    if (fd >= 0) {
        ioctl(fd, TIOCNXCL);
        ::close(fd);
    }
    if (wakeFd >= 0)
        ::close(wakeFd);
    fd = -1;
    wakeFd = -1;
}

bool KorvalSerial::apply(const KorvalSerialSettings &settings)
{
    struct termios2 tio = {};
    if (ioctl(fd, TCGETS2, &tio) != 0)
        return false;
    makeRaw(tio, settings);
    return ioctl(fd, TCSETS2, &tio) == 0;
}

bool KorvalSerial::purge()
{
    return ioctl(fd, TCFLSH, TCIOFLUSH) == 0;
}

size_t KorvalSerial::write(const void *data, size_t size, int timeoutMs)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    const char *bytes = static_cast<const char *>(data);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, bytes + done, size - done);
        if (n > 0) {
            done += size_t(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            break;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        struct pollfd p = {fd, POLLOUT, 0};
        if (left.count() <= 0 || poll(&p, 1, int(left.count())) <= 0)
            break;
    }
    return done;
}

KorvalSerial::Wait KorvalSerial::waitReadable(int timeoutMs)
{
    struct pollfd p[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
    const int n = poll(p, 2, timeoutMs);
    if (n < 0)
        return errno == EINTR ? Wait::Woken : Wait::Closed;
    if (p[1].revents & POLLIN) {
        uint64_t count = 0;
        if (::read(wakeFd, &count, sizeof count) < 0) {
            // Already drained by an earlier wait; the stop flag tells the reader the rest.
        }
        return Wait::Woken;
    }
    if (p[0].revents & POLLIN)
        return Wait::Readable;
    if (p[0].revents & (POLLHUP | POLLERR | POLLNVAL))
        return Wait::Closed;
    return Wait::Woken;
}

long KorvalSerial::readSome(void *out, size_t size)
{
    const ssize_t n = ::read(fd, out, size);
    if (n > 0)
        return long(n);
    return n < 0 && (errno == EAGAIN || errno == EINTR) ? 0 : -1;
}

void KorvalSerial::wake()
{
    const uint64_t one = 1;
    if (::write(wakeFd, &one, sizeof one) < 0) {
        // The counter is already non-zero: the reader wakes anyway.
    }
}
