#pragma once

#include "CupsFixture.h"
#include "KorvalTestSupport.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>

// A test suite sharing one private scheduler with a set of raw queues, started once for
// the suite. The library state is reset around every test, and each test runs in its own
// working folder (where the spool file is made).
//   class MyTest : public CupsQueueTest<MyTest> {
//       static void SetUpTestSuite() { startScheduler({"queue_a", "queue_b"}); }
//   };
template <typename Suite>
class CupsQueueTest : public ::testing::Test
{
protected:
    static void startScheduler(std::initializer_list<const char *> queues)
    {
        cups = std::make_unique<CupsFixture>();
        ASSERT_TRUE(cups->start()) << cups->error();
        for (const char *queue : queues)
            ASSERT_TRUE(cups->addRawQueue(queue)) << cups->error();
    }
    static void TearDownTestSuite() { cups.reset(); }

    void SetUp() override
    {
        ASSERT_TRUE(cups && cups->running());
        korvalResetForTesting();
    }
    void TearDown() override { korvalResetForTesting(); }

    static inline std::unique_ptr<CupsFixture> cups;
    ScopedWorkDir work;
};
