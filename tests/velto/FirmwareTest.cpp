// Firmware upload cases that need no device: the multipart constants and the answers
// that never reach one. Uploads to real (simulated) devices run in VeltoNetnsTest.
#include "JXUtils/JXHttpUtils.h"
#include "Velto/VeltoSDK.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
class VeltoFirmware : public ::testing::Test
{
protected:
    void SetUp() override { VeltoSDK::createInstance(); }
    void TearDown() override { VeltoSDK::destroyInstance(); }

    static VeltoDevice device(const char *ip, const char *port)
    {
        VeltoDevice record;
        record.setIp(QString::fromLatin1(ip));
        if (port)
            record.setValue(QStringLiteral("httpport"), QString::fromLatin1(port));
        return record;
    }
};
} // namespace

TEST_F(VeltoFirmware, MultipartConstants)
{
    EXPECT_EQ(JXHttpUtils::contentType(),
              QByteArray("multipart/form-data; boundary=window-lankit-upload"));
    EXPECT_EQ(JXHttpUtils::contentDisposition(QStringLiteral("/srv/fw/IPC V2.1.bin")),
              QByteArray("form-data; name=\"file\"; filename=\"IPC V2.1.bin\""));
    EXPECT_EQ(JXHttpUtils::contentDisposition(QStringLiteral("fw.bin")),
              QByteArray("form-data; name=\"file\"; filename=\"fw.bin\""));
}

TEST_F(VeltoFirmware, UnreadableFileSendsNothingAndGivesMinus3)
{
    QTemporaryDir dir;
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(VeltoSDK::instance()->setDeviceFirmware(device("127.0.0.1", "9"),
                                                      dir.filePath(QStringLiteral("none.bin"))),
              -3);
    EXPECT_LT(timer.elapsed(), 2000);
}

// Without "httpport" the upload goes to port 0, which no device listens on.
TEST_F(VeltoFirmware, DeviceWithoutHttpPortGivesMinus3AtOnce)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("fw.bin"));
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("firmware");
    out.close();
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(VeltoSDK::instance()->setDeviceFirmware(device("127.0.0.1", nullptr), file), -3);
    EXPECT_EQ(VeltoSDK::instance()->setDeviceFirmware(device("", "80"), file), -3);
    EXPECT_LT(timer.elapsed(), 2000);
}

TEST_F(VeltoFirmware, CancelWithoutUploadDoesNothing)
{
    VeltoSDK::instance()->cancelUpload();
    VeltoSDK::instance()->cancelWait();
    SUCCEED();
}
