// The library called from several threads at once, against its one-thread rule: calls are
// served one at a time, so nothing is freed under a builder and no command is torn. Run
// under AddressSanitizer and ThreadSanitizer as well.
#include "KorvalTestSupport.h"
#include "korval.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kThreads = 8;
#if defined(__SANITIZE_THREAD__)
// Eight threads queueing on one lock are some 150 times slower under ThreadSanitizer;
// a fifth of the calls still interleaves every kind of call many times over.
constexpr int kCallsPerThread = 2000;
#else
constexpr int kCallsPerThread = 10000;
#endif

std::string textOf(int thread, int call)
{
    return "thread " + std::to_string(thread) + " call " + std::to_string(call) +
           std::string(static_cast<size_t>(call % 97), 'x');
}

// Two threads open, clear and close the output over and over; the others build. Builders
// fail while no output is open, which is fine: only whole commands may reach the file.
void run(int thread, std::atomic<int> &succeeded)
{
    int ok = 0;
    for (int call = 0; call < kCallsPerThread; ++call) {
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
            const std::string text = textOf(thread, call);
            result = OBX_DrawText(thread, call, 0, 2, 1, 1, 'N', text.c_str());
        } else {
            result = OBX_DrawLineOr(thread, call, 2, 3);
        }
        ok += result == 0;
    }
    succeeded += ok;
}

// The exact command a builder of this test writes for the thread and call a line names.
std::string expectedCommand(const std::string &line)
{
    int thread = -1;
    int call = -1;
    if (line == "N")
        return line;
    if (std::sscanf(line.c_str(), "LO%d,%d", &thread, &call) == 2)
        return "LO" + std::to_string(thread) + "," + std::to_string(call) + ",2,3";
    if (std::sscanf(line.c_str(), "T%d,%d", &thread, &call) == 2 && call >= 0)
        return "T" + std::to_string(thread) + "," + std::to_string(call) + ",0,2,1,1,N,\"" +
               textOf(thread, call) + "\"";
    return "(no command of this test)";
}

} // namespace

TEST(KorvalThreads, ConcurrentCallersAreServedOneAtATime)
{
    ScopedWorkDir work;
    FakeUsbTree usb(work.path());
    ASSERT_TRUE(usb.openOutput());
    std::atomic<int> succeeded{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back(run, t, std::ref(succeeded));
    for (std::thread &t : threads)
        t.join();
    EXPECT_GT(succeeded.load(), kThreads * kCallsPerThread / 10);

    // Whatever the spool file holds since the last clear is whole commands, each one of
    // the builders' exact texts.
    if (OBX_ClearBuffer() != 0) {
        ASSERT_EQ(OpenUSBPort(1), 0);
        ASSERT_EQ(OBX_ClearBuffer(), 0);
    }
    std::vector<std::thread> builders;
    for (int t = 2; t < kThreads; ++t)
        builders.emplace_back([t] {
            for (int call = 0; call < 500; ++call) {
                const std::string text = textOf(t, call);
                OBX_DrawText(t, call, 0, 2, 1, 1, 'N', text.c_str());
                OBX_DrawLineOr(t, call, 2, 3);
            }
        });
    for (std::thread &t : builders)
        t.join();
    const std::string spool = readWholeFile(work.file("ombrixtemp.prn"));
    std::istringstream lines(spool);
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        ASSERT_FALSE(line.empty() || line.back() != '\r') << "torn line " << count;
        line.pop_back();
        EXPECT_EQ(line, expectedCommand(line)) << "line " << count;
        ++count;
    }
    EXPECT_EQ(count, 1 + 6 * 500 * 2);
    korvalResetForTesting();
}
