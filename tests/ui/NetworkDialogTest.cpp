// The network dialog without any interface to offer: it says why. The rows of real interfaces are
// checked in namespaces (UiNetnsTest.cpp).
#include "JXUtils/JXConfigure.h"
#include "UI/JXNetworkDialog.h"
#include "UiTestSupport.h"
#include "support/TestPaths.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

TEST(NetworkDialog, OkWithoutAnyAddressStoresNothingAndAccepts)
{
    ScopedAppDir appDir;
    UiTest::installLanguage("cn");
    JXNetworkDialog dialog;
    dialog.setInterfaces({});
    EXPECT_EQ(dialog.comboBox()->count(), 0);
    EXPECT_EQ(dialog.button()->text(), QString::fromUtf8("确定"));
    // Which reason depends on this machine's interfaces; each is said in the language.
    const QStringList reasons = {"未找到有线或无线网络接口", "没有已连接的网络接口",
                                 "已连接的网络接口都没有 IPv4 地址", "已连接的网络接口都不支持组播",
                                 "没有可用的网络"};
    EXPECT_TRUE(reasons.contains(dialog.findChild<QLabel *>()->text()))
        << dialog.findChild<QLabel *>()->text().toStdString();

    UiTest::whenModalShown([&](QWidget &) {
        EXPECT_EQ(dialog.size(), QSize(500, 200));
        EXPECT_EQ(dialog.comboBox()->geometry(), QRect(10, 60, 480, 30));
        EXPECT_EQ(dialog.button()->geometry(), QRect(220, 140, 60, 40));
        QTest::mouseClick(dialog.button(), Qt::LeftButton);
    });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    QNetworkInterface iface;
    QNetworkAddressEntry entry;
    entry.setIp(QHostAddress("10.77.0.9"));
    EXPECT_EQ(dialog.selection(iface, entry), -1);
    EXPECT_EQ(entry.ip().toString(), "10.77.0.9");
    EXPECT_TRUE(JXConfigure().networkIp().isEmpty());
    EXPECT_TRUE(JXConfigure().networkName().isEmpty());
    UiTest::installLanguage("en");
}

TEST(NetworkDialog, OpensCentredOverItsWindow)
{
    QWidget window;
    window.setGeometry(100, 80, 800, 600);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    JXNetworkDialog dialog(&window);
    const QPoint centre = window.mapToGlobal(window.rect().center());
    EXPECT_LE((dialog.frameGeometry().center() - centre).manhattanLength(), 2);
    JXNetworkDialog alone(nullptr);
    EXPECT_EQ(alone.size(), QSize(500, 200));
}
