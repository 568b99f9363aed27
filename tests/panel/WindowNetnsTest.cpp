// The main window against the device simulator across a veth pair between two private
// network namespaces: the stream address a camera reports reaches the preview pane as sent,
// and no address can stall the window; a lost network is said, not shown as an empty list.
#include "SimulatedPanelTest.h"
#include "support/TestPaths.h"

#include "JXUtils/JXConfigure.h"
#include "UI/CVTableWidget.h"
#include "UI/JXNetworkDialog.h"
#include "UI/VeltoDeviceVideoView.h"
#include "UI/VeltoDevicesWidget.h"
#include "Velto/VeltoNetwork.h"
#include "app/MainWindow.h"
#include "app/MediaButton.h"
#include "app/WindowHeaderWidget.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <memory>

namespace {

// The longest pause between the ticks of a 10 ms timer on the GUI thread while it lives.
class GapMeter
{
public:
    GapMeter()
    {
        QObject::connect(&timer, &QTimer::timeout,
                         [this] { longestMs = std::max(longestMs, since.restart()); });
        since.start();
        timer.start(10);
    }
    qint64 longest() const { return std::max(longestMs, since.elapsed()); }

private:
    QTimer timer;
    QElapsedTimer since;
    qint64 longestMs = 0;
};

class WindowNetns : public SimulatedPanelTest
{
protected:
    void SetUp() override
    {
        SimulatedPanelTest::SetUp();
        // The window brings the protocol up on this namespace's interface and searches
        // for a second.
        JXConfigure configure;
        configure.setNetworkName(iface.name());
        configure.setNetworkIp(entry.ip().toString());
        QSettings(JXConfigure::filePath(), QSettings::IniFormat).setValue("search seconds", 1);
    }

    ScopedAppDir app;
};

// Two cameras report the same address. Each address reaches the pane unchanged; the pane
// refuses it, so no file, pipe or other service is opened. One too long for a reply
// datagram never arrives: its cameras are not listed at all.
TEST_F(WindowNetns, HostileStreamAddressesReachThePaneAndLeaveTheWindowResponsive)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("camera.fifo");
    ASSERT_EQ(mkfifo(fifo.toUtf8().constData(), 0600), 0);
    const struct
    {
        QString address;
        int listed;
    } cases[] = {
        {fifo, 2},
        {"/dev/stdin", 2},
        {"file:///etc/passwd", 2},
        {"http://10.77.0.2:8080/live", 2},
        {"rtsp://" + QString(10000, 'a'), 0},
        {"rtsp://10.77.0.2/live\r\nCSeq: 9", 2},
        {"", 2},
    };
    for (const auto &c : cases) {
        const std::string label =
            QString(c.address.left(40)).replace('\r', "\\r").replace('\n', "\\n").toStdString();
        ASSERT_NO_FATAL_FAILURE(SimulatorTest::simulate(
            {"--count", "2", "--delay-max", "20", "--http-port", "0", "--rtsp", c.address}));
        auto window = std::make_unique<MainWindow>(); // searches, then plays row 0
        auto *table = window->findChild<VeltoDevicesWidget *>();
        auto *pane = window->findChild<VeltoDeviceVideoView *>();
        ASSERT_EQ(table->deviceCount(), c.listed) << label;
        if (c.listed > 0) {
            EXPECT_EQ(pane->address(), c.address) << label;
        }

        const GapMeter gaps;
        QElapsedTimer switching;
        switching.start();
        table->tableWidget()->setCurrentCell(std::max(c.listed - 1, 0), 2);
        EXPECT_LT(switching.elapsed(), 1000) << label;
        QTest::qWait(300);
        QElapsedTimer closing;
        closing.start();
        window->close();
        window.reset();
        EXPECT_LT(closing.elapsed(), 1000) << label;
        EXPECT_LT(gaps.longest(), 100) << label;
        printf("[ figures ] %s: longest GUI timer gap %lld ms\n", label.c_str(),
               static_cast<long long>(gaps.longest()));
    }
}

// The chosen link is deleted under the running window, then made again. While it is gone a
// search keeps the list and the header says why, and the network dialog says why it offers
// nothing; the log says once that the trouble began and once that it ended.
TEST_F(WindowNetns, ADeletedLinkKeepsTheListAndIsSaidOnce)
{
    const char kBegins[] = "VeltoSDK.cpp: network trouble: ";
    const char kEnds[] = "VeltoSDK.cpp: network back: ";
    const QString here = VeltoTest::namespaceInterface();
    const QString peer = qEnvironmentVariable("NETNS_B");
    const QString there = qEnvironmentVariable("NETNS_IF_B");
    ASSERT_NO_FATAL_FAILURE(
        SimulatorTest::simulate({"--count", "2", "--delay-max", "20", "--http-port", "0"}));
    auto window = std::make_unique<MainWindow>();
    auto *table = window->findChild<VeltoDevicesWidget *>();
    auto *header = window->findChild<WindowHeaderWidget *>();
    ASSERT_EQ(table->deviceCount(), 2);
    const int from = log.size();

    ASSERT_EQ(VeltoTest::ip({"link", "del", here}), 0);
    emit header->button(WindowHeaderWidget::Search)->clicked();
    EXPECT_EQ(table->deviceCount(), 2);
    EXPECT_TRUE(header->noticeLabel()->isVisible());
    EXPECT_EQ(header->noticeLabel()->text(),
              "The network is unreachable: the list is from the last search");
    JXNetworkDialog choice;
    choice.setInterfaces(usableInterfaces());
    EXPECT_EQ(choice.findChild<QLabel *>()->text(),
              "No wired or wireless network interface was found");
    QTest::qWait(2500); // both socket threads retry every second meanwhile
    EXPECT_EQ(log.matching(kBegins, from).size(), 1)
        << log.lines().mid(from).join("\n").toStdString();

    ASSERT_EQ(
        VeltoTest::ip({"link", "add", here, "type", "veth", "peer", "name", there, "netns", peer}),
        0);
    ASSERT_EQ(
        VeltoTest::ip({"addr", "add", qEnvironmentVariable("NETNS_IP_A") + "/24", "dev", here}), 0);
    ASSERT_EQ(VeltoTest::ip({"-n", peer, "addr", "add", qEnvironmentVariable("NETNS_IP_B") + "/24",
                             "dev", there}),
              0);
    ASSERT_EQ(VeltoTest::ip({"-n", peer, "link", "set", there, "up"}), 0);
    ASSERT_EQ(VeltoTest::ip({"link", "set", here, "up"}), 0);
    ASSERT_NO_FATAL_FAILURE(
        SimulatorTest::simulate({"--count", "3", "--delay-max", "20", "--http-port", "0"}));
    ASSERT_TRUE(log.waitFor(kEnds, 5000, from)) << "the protocol did not see the link return";
    emit header->button(WindowHeaderWidget::Search)->clicked();
    EXPECT_EQ(table->deviceCount(), 3);
    EXPECT_FALSE(header->noticeLabel()->isVisible());
    EXPECT_EQ(log.matching(kBegins, from).size(), 1);
    EXPECT_EQ(log.matching(kEnds, from).size(), 1);
}

} // namespace
