// The serial status query against a pseudo-terminal whose far end plays the printer.
#include "KorvalReceiveRing.h"
#include "KorvalState.h"
#include "KorvalTestSupport.h"
#include "korval.h"

#include <asm/termbits.h>
#include <atomic>
#include <chrono>
#include <poll.h>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

// From libutil; its own header would bring the C library's struct termios, which clashes
// with the kernel's termios2 used here to read the line speed.
extern "C" int openpty(int *master, int *slave, char *name, const void *termp, const void *winp);

namespace {

using namespace std::chrono_literals;

// The printer's end of the line: waits for the status request, notes the line settings
// the library chose, then answers with the given pieces (with a pause before each).
class FakeSerialPrinter
{
public:
    struct Piece
    {
        std::chrono::milliseconds delay;
        std::string bytes;
    };

    FakeSerialPrinter()
    {
        char name[128] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) == 0)
            path = name;
    }
    ~FakeSerialPrinter()
    {
        if (thread.joinable())
            thread.join();
        close(master);
        close(slave);
    }

    void answer(std::vector<Piece> pieces)
    {
        thread = std::thread([this, pieces] { run(pieces); });
    }
    void join()
    {
        if (thread.joinable())
            thread.join();
    }

    std::string path;
    std::string request; // what arrived before the answer
    unsigned speed = 0;  // line speed while the request was read
    bool handshake = false;

private:
    void run(const std::vector<Piece> &pieces)
    {
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (request.find("\r\n") == std::string::npos &&
               std::chrono::steady_clock::now() < deadline) {
            pollfd p = {master, POLLIN, 0};
            if (poll(&p, 1, 50) > 0) {
                char buffer[64];
                const ssize_t n = read(master, buffer, sizeof buffer);
                if (n > 0)
                    request.append(buffer, size_t(n));
            }
        }
        struct termios2 tio = {};
        if (ioctl(master, TCGETS2, &tio) == 0) {
            speed = tio.c_ospeed;
            handshake = (tio.c_cflag & CRTSCTS) != 0;
        }
        for (const Piece &piece : pieces) {
            std::this_thread::sleep_for(piece.delay);
            if (write(master, piece.bytes.data(), piece.bytes.size()) < 0)
                return;
        }
    }

    int master = -1;
    int slave = -1;
    std::thread thread;
};

class SerialStatusTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        korvalResetForTesting();
        ASSERT_FALSE(printer.path.empty());
        korvalState().paths.serialPorts[0] = printer.path;
        korvalState().paths.serialPorts[2] = work.file("no-such-tty");
    }
    void TearDown() override
    {
        printer.join();
        korvalResetForTesting();
    }

    ScopedWorkDir work;
    FakeSerialPrinter printer;
};

TEST_F(SerialStatusTest, ReplyGivesTheStatusNumber)
{
    printer.answer({{0ms, "03\r\n"}});
    EXPECT_EQ(OBX_ErrorReport(1, 0, 9600, 0, 3), 3);
    printer.join();
    EXPECT_EQ(printer.request, "^ee\r\n");
    EXPECT_EQ(printer.speed, 9600u);
    EXPECT_FALSE(printer.handshake);
}

TEST_F(SerialStatusTest, ReplyInPiecesIsCollected)
{
    printer.answer({{0ms, "4"}, {150ms, "2"}, {150ms, "\r\n"}});
    EXPECT_EQ(OBX_ErrorReport(1, 0, 19200, 1, 2), 42);
    printer.join();
    EXPECT_EQ(printer.speed, 19200u);
    EXPECT_TRUE(printer.handshake);
}

TEST_F(SerialStatusTest, OneSecondWaitWaitsForALateReply)
{
    printer.answer({{300ms, "07\r\n"}});
    EXPECT_EQ(OBX_ErrorReport(1, 0, 9600, 0, 1), 7);
}

TEST_F(SerialStatusTest, NoReplyWithWaitZeroFailsAtOnce)
{
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(OBX_ErrorReport(1, 0, 9600, 0, 0), -2128);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 900ms) << "no one-second wait";
    EXPECT_EQ(OBX_GetErrState(), -2128);
    EXPECT_EQ(korvalState().waitCountdown, -2);
}

TEST_F(SerialStatusTest, NoReplyWithinTheWait)
{
    printer.answer({});
    EXPECT_EQ(OBX_ErrorReport(1, 0, 9600, 0, 1), -2128);
}

TEST_F(SerialStatusTest, RatesAreCheckedAndClamped)
{
    printer.answer({{0ms, "00\r\n"}});
    EXPECT_EQ(OBX_ErrorReport(1, 0, 128000, 0, 3), 0);
    printer.join();
    EXPECT_EQ(printer.speed, 56000u) << "128000 runs at 56000";
    EXPECT_EQ(OBX_GetErrState(), 0);
}

TEST_F(SerialStatusTest, SlowRateIsRaisedTo9600)
{
    printer.answer({{0ms, "01\r\n"}});
    EXPECT_EQ(OBX_ErrorReport(1, 0, 4800, 0, 3), 1);
    printer.join();
    EXPECT_EQ(printer.speed, 9600u);
}

TEST_F(SerialStatusTest, RateOutsideTheListIsRefusedAndTheLineStaysAt9600)
{
    printer.answer({{0ms, "99\r\n"}});
    EXPECT_EQ(OBX_ErrorReport(1, 0, 115200, 1, 3), 99);
    printer.join();
    EXPECT_EQ(printer.speed, 9600u);
    EXPECT_FALSE(printer.handshake);
    EXPECT_EQ(OBX_GetErrState(), -1027) << "SetPCComPort refused 115200";
}

TEST_F(SerialStatusTest, SetPcComPortNeedsTheStatusPort)
{
    EXPECT_EQ(SetPCComPort(9600, 0), -1026);
    EXPECT_EQ(OBX_GetErrState(), -1026);
}

TEST_F(SerialStatusTest, PortThatCannotBeOpened)
{
    EXPECT_EQ(OBX_ErrorReport(3, 0, 9600, 0, 1), -2127) << "device missing";
    EXPECT_EQ(OBX_ErrorReport(0, 0, 9600, 0, 1), -2127);
    EXPECT_EQ(OBX_ErrorReport(4, 0, 9600, 0, 1), -2127);
    EXPECT_EQ(OBX_GetErrState(), -2127);
}

TEST_F(SerialStatusTest, QueryEndsWithTheOutputClosed)
{
    FakeUsbTree usb(work.path());
    ASSERT_TRUE(usb.openOutput());
    printer.answer({{0ms, "05\r\n"}});
    EXPECT_EQ(OBX_ErrorReport(1, 0, 9600, 0, 3), 5);
    EXPECT_EQ(OBX_SetDarkness(1), -3002);
    EXPECT_FALSE(fileExists(work.file("ombrixtemp.prn")));
    EXPECT_FALSE(korvalState().statusPortOpen);
    EXPECT_FALSE(korvalState().readerThread.joinable());
    EXPECT_EQ(SetPCComPort(9600, 0), -1026);
}

// The receive ring on its own: order, wrapping and a full ring.
TEST(KorvalReceiveRingTest, KeepsOrderAcrossTheWrap)
{
    KorvalReceiveRing ring;
    std::string in(3000, '\0');
    for (size_t i = 0; i < in.size(); ++i)
        in[i] = char('a' + i % 26);
    EXPECT_EQ(ring.write(in.data(), in.size()), in.size());
    std::string out(2000, '\0');
    EXPECT_EQ(ring.read(out.data(), out.size()), 2000u);
    EXPECT_EQ(out, in.substr(0, 2000));
    // 1000 bytes buffered; the next 2500 wrap round the end.
    EXPECT_EQ(ring.write(in.data(), 2500), 2500u);
    EXPECT_EQ(ring.available(), 3500u);
    out.assign(3500, '\0');
    EXPECT_EQ(ring.read(out.data(), out.size()), 3500u);
    EXPECT_EQ(out, in.substr(2000) + in.substr(0, 2500));
    EXPECT_EQ(ring.available(), 0u);
}

TEST(KorvalReceiveRingTest, FullRingTakesNothingMore)
{
    KorvalReceiveRing ring;
    const std::string block(KorvalReceiveRing::kSize, 'x');
    EXPECT_EQ(ring.write(block.data(), block.size()), block.size());
    EXPECT_EQ(ring.freeSpace(), 0u);
    EXPECT_EQ(ring.available(), KorvalReceiveRing::kSize);
    EXPECT_EQ(ring.write("y", 1), 0u);
    char four[4];
    EXPECT_EQ(ring.read(four, 4), 4u);
    EXPECT_EQ(ring.write("abcdef", 6), 4u);
    std::string rest(KorvalReceiveRing::kSize, '\0');
    EXPECT_EQ(ring.read(rest.data(), rest.size()), KorvalReceiveRing::kSize);
    EXPECT_EQ(rest.substr(rest.size() - 4), "abcd");
    EXPECT_FALSE(ring.waitAvailable(1, 10ms));
}

} // namespace
