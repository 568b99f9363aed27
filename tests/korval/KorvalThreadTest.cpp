// The library called from several threads at once, against its one-thread rule: calls are
// served one at a time, so nothing is freed under a builder and no command is torn. Run
// under AddressSanitizer and ThreadSanitizer as well.
#include "KorvalState.h"
#include "KorvalTestSupport.h"
#include "korval.h"

#include <gtest/gtest.h>

#include <atomic>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int Threads = 8;
constexpr int CallsPerThread = 10000;

// Two threads open, clear and close the output over and over; the others build. Builders
// fail while no output is open, which is fine: only whole commands may reach the file.
void run(int thread, std::atomic<int> &succeeded)
{
    int ok = 0;
    for (int call = 0; call < CallsPerThread; ++call) {
        int result = 0;
        if (thread < 2) {
            switch (call % 4) {
            case 0:
                result = ClosePort();
                break;
            case 1:
                result = OpenUSBPort(1);
                break;
            case 2:
                result = OBX_ClearBuffer();
                break;
            default:
                result = OBX_GetErrState();
                break;
            }
        } else if (call % 2 == 0) {
            const std::string text = "thread " + std::to_string(thread) + " call " +
                                     std::to_string(call) + std::string(call % 97, 'x');
            result = OBX_DrawText(thread, call, 0, 2, 1, 1, 'N', text.c_str());
        } else {
            result = OBX_DrawLineOr(thread, call, 2, 3);
        }
        ok += result == 0;
    }
    succeeded += ok;
}

} // namespace

TEST(KorvalThreads, ConcurrentCallersAreServedOneAtATime)
{
    ScopedWorkDir work;
    FakeUsbTree usb(work.path());
    ASSERT_TRUE(usb.openOutput());
    std::atomic<int> succeeded{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < Threads; ++t)
        threads.emplace_back(run, t, std::ref(succeeded));
    for (std::thread &t : threads)
        t.join();
    EXPECT_GT(succeeded.load(), Threads * CallsPerThread / 10);

    // Whatever the spool file holds since the last clear is whole commands, each one of
    // the builders' exact texts.
    if (OBX_ClearBuffer() != 0) {
        ASSERT_EQ(OpenUSBPort(1), 0);
        ASSERT_EQ(OBX_ClearBuffer(), 0);
    }
    std::vector<std::thread> builders;
    for (int t = 2; t < Threads; ++t)
        builders.emplace_back([t] {
            for (int call = 0; call < 500; ++call) {
                const std::string text = "thread " + std::to_string(t) + " call " +
                                         std::to_string(call) + std::string(call % 97, 'x');
                OBX_DrawText(t, call, 0, 2, 1, 1, 'N', text.c_str());
                OBX_DrawLineOr(t, call, 2, 3);
            }
        });
    for (std::thread &t : builders)
        t.join();
    const std::string spool = readWholeFile(work.file("ombrixtemp.prn"));
    const std::regex command(R"(N|T(\d),(\d+),0,2,1,1,N,"thread \1 call \2x*"|LO\d,\d+,2,3)");
    std::istringstream lines(spool);
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        ASSERT_FALSE(line.empty() || line.back() != '\r') << "torn line " << count;
        line.pop_back();
        ASSERT_TRUE(std::regex_match(line, command)) << "line " << count << ": " << line;
        ++count;
    }
    EXPECT_EQ(count, 1 + 6 * 500 * 2);
    korvalResetForTesting();
}
