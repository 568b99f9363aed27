// The main window against the device simulator across a veth pair between two private
// network namespaces: the stream address a camera reports reaches the preview pane as sent,
// no address can stall the window, a lost network is said rather than shown as an empty
// list, and the keyboard walks the whole window without starting a stream for every row it
// passes.
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

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>

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

// A camera's RTSP port that never answers: it keeps the address of every request the
// preview sends, so each stream the window starts is seen from the camera's side.
class SilentRtspPort
{
public:
    explicit SilentRtspPort(const QHostAddress &address)
    {
        server.listen(address);
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket *peer = server.nextPendingConnection())
                QObject::connect(peer, &QTcpSocket::readyRead, [this, peer] { read(peer); });
        });
    }
    quint16 port() const { return server.serverPort(); }
    const std::set<QString> &requested() const { return addresses; }

private:
    // "OPTIONS rtsp://host:port/path RTSP/1.0": the address is the second word.
    void read(QTcpSocket *peer)
    {
        while (peer->canReadLine()) {
            const QList<QByteArray> words = peer->readLine(4096).split(' ');
            if (words.size() == 3 && words.at(2).startsWith("RTSP/"))
                addresses.insert(QString::fromLatin1(words.at(1)));
        }
    }

    QTcpServer server; // its sockets are its children
    std::set<QString> addresses;
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

    // The window once its first search has listed count cameras, active, so that keys
    // reach it.
    std::unique_ptr<MainWindow> openWindow(int count, const QString &rtsp)
    {
        SimulatorTest::simulate(
            {"--count", QString::number(count), "--delay-max", "20", "--rtsp", rtsp});
        auto window = std::make_unique<MainWindow>();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get())) << "the window never activated";
        EXPECT_EQ(window->findChild<VeltoDevicesWidget *>()->deviceCount(), count);
        return window;
    }

    ScopedAppDir app;
};

// The table's rows: the view and the cell widgets on its viewport, not its header.
bool inRows(const QWidget *widget, const CVTableWidget *table)
{
    return widget && (widget == table || table->viewport()->isAncestorOf(widget));
}

// From the name field, Tab stops once at each header button and once in the table's rows,
// leaves the rows at the next press, and comes back round to the name field.
TEST_F(WindowNetns, TabFromTheNameFieldReachesTheHeaderAndLeavesTheTable)
{
    const auto window = openWindow(3, QString());
    ASSERT_FALSE(HasFailure());
    auto *name = window->findChild<QLineEdit *>("nameEdit");
    auto *table = window->findChild<VeltoDevicesWidget *>()->tableWidget();
    auto *header = window->findChild<WindowHeaderWidget *>();
    name->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(QApplication::focusWidget(), name);

    std::map<const QWidget *, int> stops;
    QStringList path;
    bool leftTable = false;
    const int kMostStops = 40;
    for (int press = 0; press < kMostStops; ++press) {
        QWidget *from = QApplication::focusWidget();
        QTest::keyClick(from, Qt::Key_Tab);
        QWidget *to = QApplication::focusWidget();
        ASSERT_TRUE(to) << "the focus left the window after " << path.join(", ").toStdString();
        path << (to->objectName().isEmpty() ? to->metaObject()->className() : to->objectName());
        ++stops[inRows(to, table) ? table : to];
        leftTable = leftTable || (inRows(from, table) && !inRows(to, table));
        if (to == name)
            break;
    }
    SCOPED_TRACE("tab order: " + path.join(", ").toStdString());
    EXPECT_EQ(QApplication::focusWidget(), name) << "Tab never came back to the name field";
    for (int i = 0; i < WindowHeaderWidget::ButtonCount; ++i) {
        const MediaButton *button = header->button(static_cast<WindowHeaderWidget::Button>(i));
        EXPECT_EQ(stops[button], 1) << button->text().toStdString();
    }
    EXPECT_EQ(stops[table], 1) << "the table and its cells should be one stop";
    EXPECT_TRUE(leftTable);
}

// Five presses of the Down arrow, each handled at once as a held key's repeats are, pass
// rows 1 to 4 and rest on row 5: the cameras see the first search's stream, then the last
// row's, and no request for the rows passed.
TEST_F(WindowNetns, PassingFiveRowsByKeyboardStartsOneStream)
{
    SilentRtspPort camera(entry.ip());
    ASSERT_GT(camera.port(), 0) << "no port for the camera's stream";
    // The simulator puts each camera's own address for %1 and its number for %2.
    const auto window = openWindow(6, "rtsp://" + entry.ip().toString() + ':' +
                                          QString::number(camera.port()) + "/%1/cam%2");
    ASSERT_FALSE(HasFailure());
    auto *devices = window->findChild<VeltoDevicesWidget *>();
    auto *pane = window->findChild<VeltoDeviceVideoView *>();
    const QString first = devices->deviceAt(0).rtspPath();
    const QString last = devices->deviceAt(5).rtspPath();
    ASSERT_NE(first, last);
    // A search's first row plays at once.
    EXPECT_EQ(pane->address(), first);
    EXPECT_TRUE(QTest::qWaitFor([&] { return camera.requested().count(first) == 1; }, 5000))
        << "the first row's stream never reached the camera";

    CVTableWidget *table = devices->tableWidget();
    table->setFocus(Qt::TabFocusReason);
    QElapsedTimer walk;
    walk.start();
    qint64 longestStep = 0;
    for (int step = 1; step <= 5; ++step) {
        const qint64 before = walk.elapsed();
        QTest::keyClick(table, Qt::Key_Down);
        QCoreApplication::processEvents();
        longestStep = std::max(longestStep, walk.elapsed() - before);
        ASSERT_EQ(table->currentRow(), step);
        EXPECT_EQ(pane->address(), first) << "row " << step << " started a stream while passed";
    }
    ASSERT_LT(longestStep, 300) << "a press took longer than the keyboard's rest on a row";
    EXPECT_TRUE(QTest::qWaitFor([&] { return camera.requested().count(last) == 1; }, 5000))
        << "the row the keyboard rests on never started its stream";
    const qint64 requestedMs = walk.elapsed();
    QTest::qWait(500);
    EXPECT_EQ(camera.requested(), (std::set<QString>{first, last}));
    EXPECT_EQ(pane->address(), last);
    printf("[ figures ] longest step between rows %lld ms; the resting row's stream "
           "requested %lld ms after the first press\n",
           static_cast<long long>(longestStep), static_cast<long long>(requestedMs));
}

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
