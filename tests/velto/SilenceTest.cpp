// Every command that waits gives -1 after 3 s without a reply. The waits run side by side
// (nothing answers, so the shared wait flag never ends one early) to keep the test short.
#include "VeltoSDKTestAccess.h"
#include "VeltoTestSupport.h"

#include "JXUtils/JXThread.h"

#include <gtest/gtest.h>

#include <functional>
#include <future>

TEST(VeltoSilence, EveryWaitingCommandTimesOutAfterThreeSeconds)
{
    VeltoSDK::createInstance();
    VeltoSDK *sdk = VeltoSDK::instance();
    const QNetworkInterface lo = QNetworkInterface::interfaceFromName(QStringLiteral("lo"));
    VeltoSDKTestAccess::useNetwork(sdk, lo, lo.addressEntries().value(0));
    const VeltoDevice one = VeltoTest::device(QStringLiteral("A1B2C3D4E5F6"));
    const QVector<VeltoDevice> list = {one};
    int total = 7;
    int free = 8;
    const std::function<int()> operations[] = {
        [&] { return sdk->setDeviceIp(one, "10.0.0.2", "255.0.0.0", "10.0.0.1", "", ""); },
        [&] { return sdk->setDevicesDhcp(list); },
        [&] { return sdk->setDeviceMac(one, "AA:BB:CC:DD:EE:FF"); },
        [&] { return sdk->setDevicesName(list, "n"); },
        [&] { return sdk->setDevicesP2pId(list, "p"); },
        [&] { return sdk->setDevicesFunctionId(list, "PAC"); },
        [&] { return sdk->resetDevices(list); },
        [&] { return sdk->setDevicesPtz(list, "up"); },
        [&] { return sdk->setDevicesName({}, "nobody"); },
        [&] { return sdk->getDeviceSdCard(one, total, free); },
    };
    const double started = JXThread::now();
    std::vector<std::future<std::pair<int, double>>> waits;
    for (const auto &operation : operations) {
        waits.push_back(std::async(std::launch::async, [&operation]() {
            const int result = operation();
            return std::make_pair(result, JXThread::now());
        }));
    }
    for (auto &wait : waits) {
        const auto [result, ended] = wait.get();
        EXPECT_EQ(result, -1);
        EXPECT_GE(ended - started, 2.99);
        EXPECT_LT(ended - started, 8.0); // generous: ten busy waits share two cores
    }
    EXPECT_EQ(total, 7); // left as they were without a reply
    EXPECT_EQ(free, 8);
    VeltoSDK::destroyInstance();
}
