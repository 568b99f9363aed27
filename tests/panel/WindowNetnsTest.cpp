// The main window against the device simulator across a veth pair between two private
// network namespaces: the stream address a camera reports reaches the preview pane as sent,
// and no address can stall the window.
#include "SimulatedPanelTest.h"
#include "support/TestPaths.h"

#include "JXUtils/JXConfigure.h"
#include "UI/CVTableWidget.h"
#include "UI/VeltoDeviceVideoView.h"
#include "UI/VeltoDevicesWidget.h"
#include "app/MainWindow.h"

#include <QElapsedTimer>
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

} // namespace
