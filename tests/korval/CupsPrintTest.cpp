// Printing through a real CUPS scheduler: each label arrives as one raw job, byte for byte.
#include "CupsQueueTest.h"
#include "KorvalState.h"
#include "KorvalTestSupport.h"
#include "korval.h"

#include <memory>

namespace {

class CupsPrintTest : public CupsQueueTest<CupsPrintTest>
{
protected:
    static void SetUpTestSuite()
    {
        startScheduler({"korval_label", "korval_second", "korval_paused", "korval_rejecting",
                        "korval_files", "korval_handle"});
    }

    std::string spoolPath() const { return work.file("ombrixtemp.prn"); }
};

// The set-up, text, bar codes and lines of one label, without the print command.
std::string buildLabel(const char *serial)
{
    EXPECT_EQ(startDeviceLabel(), 0);
    EXPECT_EQ(OBX_DrawText(267, 172, 0, 3, 1, 1, 'N', "KT-4X"), 0);
    EXPECT_EQ(OBX_DrawBarcode(60, 300, 0, "1", 2, 4, 60, 'B', serial), 0);
    EXPECT_EQ(OBX_DrawBar2D_QR(71, 211, 1, 2, 0, 8, 2, 1, 8, "VLT-000123-ABCDE"), 0);
    EXPECT_EQ(OBX_DrawLineOr(10, 500, 500, 3), 0);
    EXPECT_EQ(OBX_DrawRectangle(5, 5, 520, 520, 2), 0);
    return std::string(kDeviceLabelSetup) + "T267,172,0,3,1,1,N,\"KT-4X\"\r\n" +
           "B60,300,0,1,2,4,60,B,\"" + serial + "\"\r\n" +
           "b71,211,QR,1,2,o0,r8,m2,g1,s8,\"VLT-000123-ABCDE\"\r\n" + "LO10,500,500,3\r\n" +
           "X5,5,520,520,2\r\n";
}

TEST_F(CupsPrintTest, EachLabelArrivesAsOneRawJobByteForByte)
{
    ASSERT_EQ(OpenPort("korval_label"), 0);
    const std::string first = buildLabel("00001") + "W1,1\r\n";
    EXPECT_EQ(OBX_PrintLabel(1, 1), 0);
    const std::string second = buildLabel("00002") + "W1,1\r\n";
    EXPECT_EQ(OBX_PrintLabel(1, 1), 0);
    EXPECT_EQ(ClosePort(), 0);
    EXPECT_FALSE(fileExists(spoolPath()));

    ASSERT_TRUE(cups->waitForJobs("korval_label", 2)) << cups->errorLog();
    const std::vector<std::string> delivered = cups->deliveredJobs("korval_label");
    ASSERT_EQ(delivered.size(), 2u);
    EXPECT_EQ(delivered[0], first);
    EXPECT_EQ(delivered[1], second);
    const std::vector<CupsFixture::Job> jobs = cups->jobs("korval_label");
    ASSERT_EQ(jobs.size(), 2u);
    for (const CupsFixture::Job &job : jobs) {
        EXPECT_EQ(job.title, "My PrintJob");
        EXPECT_EQ(job.format, "application/vnd.cups-raw");
    }
}

TEST_F(CupsPrintTest, SecondOpenPortFailsAndKeepsTheFirst)
{
    ASSERT_EQ(OpenPort("korval_second"), 0);
    EXPECT_EQ(OpenPort("korval_label"), -1000);
    EXPECT_EQ(OBX_GetErrState(), -1000);
    EXPECT_EQ(OBX_OpenPrinter("korval_label"), 0);
    EXPECT_EQ(OBX_ClearBuffer(), 0);
    EXPECT_EQ(OBX_PrintLabel(2, 1), 0);
    ASSERT_TRUE(cups->waitForJobs("korval_second", 1)) << cups->errorLog();
    EXPECT_EQ(cups->deliveredJobs("korval_second").at(0), "N\r\nW2,1\r\n");
}

TEST_F(CupsPrintTest, UnknownQueue)
{
    EXPECT_EQ(OpenPort("korval_no_such_queue"), -1003);
    EXPECT_EQ(OBX_GetErrState(), -1003);
    EXPECT_EQ(OBX_ClearBuffer(), -3001);
    EXPECT_EQ(OpenPort(""), -1003);
    EXPECT_EQ(OpenPort(nullptr), -1003);
    EXPECT_EQ(OBX_OpenPrinter("korval_no_such_queue"), 0);
    EXPECT_EQ(OBX_GetErrState(), -1003);
}

TEST_F(CupsPrintTest, PausedQueueOpensButWorksOffline)
{
    ASSERT_TRUE(cups->runTool({"cupsdisable", "korval_paused"}));
    EXPECT_EQ(OpenPort("korval_paused"), -4000);
    EXPECT_EQ(OBX_GetErrState(), 0) << "work offline is returned only";
    // The queue is open all the same: the job waits in the paused queue.
    EXPECT_EQ(OBX_ClearBuffer(), 0);
    EXPECT_EQ(OBX_PrintLabel(1, 1), 0);
    EXPECT_EQ(cups->jobs("korval_paused").size(), 1u);
    EXPECT_TRUE(cups->deliveredJobs("korval_paused").empty());
    ASSERT_TRUE(cups->runTool({"cupsenable", "korval_paused"}));
    ASSERT_TRUE(cups->waitForJobs("korval_paused", 1)) << cups->errorLog();
    EXPECT_EQ(cups->deliveredJobs("korval_paused").at(0), "N\r\nW1,1\r\n");
}

TEST_F(CupsPrintTest, RejectingQueueOpensButWorksOfflineAndRefusesTheJob)
{
    ASSERT_TRUE(cups->runTool({"cupsreject", "korval_rejecting"}));
    EXPECT_EQ(OpenPort("korval_rejecting"), -4000);
    EXPECT_EQ(OBX_ClearBuffer(), 0);
    EXPECT_EQ(OBX_PrintLabel(1, 1), -1042);
    EXPECT_EQ(OBX_GetErrState(), -1042);
}

TEST_F(CupsPrintTest, BadPrintValueStillSendsWithoutThePrintCommand)
{
    ASSERT_EQ(OpenPort("korval_label"), 0);
    const size_t before = cups->deliveredJobs("korval_label").size();
    EXPECT_EQ(OBX_ClearBuffer(), 0);
    EXPECT_EQ(OBX_SetDarkness(8), 0);
    EXPECT_EQ(OBX_PrintLabel(0, 1), -2012);
    EXPECT_EQ(OBX_GetErrState(), -2012);
    ASSERT_TRUE(cups->waitForJobs("korval_label", before + 1)) << cups->errorLog();
    EXPECT_EQ(cups->deliveredJobs("korval_label").back(), "N\r\nH8\r\n");
}

TEST_F(CupsPrintTest, AutoPrintSendsNothingUntilWritePrinter)
{
    ASSERT_EQ(OpenPort("korval_files"), 0);
    const size_t before = cups->deliveredJobs("korval_files").size();
    EXPECT_EQ(OBX_ClearBuffer(), 0);
    EXPECT_EQ(OBX_PrintLabelAuto(1, 0), 0);
    EXPECT_EQ(cups->jobs("korval_files").size(), before);
    EXPECT_EQ(OBX_WritePrinter(), 0);
    ASSERT_TRUE(cups->waitForJobs("korval_files", before + 1)) << cups->errorLog();
    EXPECT_EQ(cups->deliveredJobs("korval_files").back(), "N\r\nWA1,1\r\n");
}

TEST_F(CupsPrintTest, SendFileAppendsInChunksAndSends)
{
    ASSERT_EQ(OpenPort("korval_files"), 0);
    // Larger than two buffers, with a pattern that shows any reordering of the chunks.
    std::string large(2500000, '\0');
    for (size_t i = 0; i < large.size(); ++i)
        large[i] = char(i * 7 / 1000);
    writeWholeFile(work.file("large.bin"), large);
    writeWholeFile(work.file("empty.bin"), "");
    const size_t before = cups->deliveredJobs("korval_files").size();

    EXPECT_EQ(OBX_ClearBuffer(), 0);
    EXPECT_EQ(OBX_SendFile(work.file("large.bin").c_str()), 0);
    EXPECT_EQ(OBX_ClearBuffer(), 0);
    EXPECT_EQ(OBX_FormList(), 0);
    EXPECT_EQ(OBX_SendFile(work.file("empty.bin").c_str()), 0);
    EXPECT_EQ(OBX_SendFile(work.file("missing.bin").c_str()), -2109);
    EXPECT_EQ(OBX_SendFile(nullptr), -2109);

    ASSERT_TRUE(cups->waitForJobs("korval_files", before + 2)) << cups->errorLog();
    const std::vector<std::string> delivered = cups->deliveredJobs("korval_files");
    ASSERT_EQ(delivered.size(), before + 2);
    EXPECT_TRUE(delivered[before] == "N\r\n" + large) << "large file changed on the way";
    EXPECT_EQ(delivered[before + 1], "N\r\nFI\r\n");
}

TEST_F(CupsPrintTest, OpenPrinterHandleAndClosePrinter)
{
    const int handle = OBX_OpenPrinter("korval_handle");
    EXPECT_NE(handle, 0);
    EXPECT_EQ(OBX_ClearBuffer(), 0);
    EXPECT_EQ(OBX_PrintLabel(1, 2), 0);
    ASSERT_TRUE(cups->waitForJobs("korval_handle", 1)) << cups->errorLog();
    EXPECT_EQ(cups->deliveredJobs("korval_handle").at(0), "N\r\nW1,2\r\n");
    EXPECT_EQ(OBX_ClosePrinter(), 1);
    EXPECT_EQ(OBX_ClearBuffer(), -3001);
    EXPECT_EQ(OBX_ClosePrinter(), 0);
    EXPECT_EQ(OBX_WritePrinter(), -1045) << "no queue left to send to";
}

} // namespace
