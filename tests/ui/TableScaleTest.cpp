// Ten thousand devices in a real X window (run through run_in_xvfb.py): ticks, check-all,
// copying and scrolling them, while only the rows on screen hold cell widgets.
#include "UiTestSupport.h"

#include "UI/CVTableWidget.h"
#include "UI/CVWidget.h"
#include "UI/QCheckBoxHeaderWidget.h"
#include "UI/VTCheckItemWidget.h"
#include "UI/VTTextItemWidget.h"
#include "UI/VeltoDevicesWidget.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

namespace {

constexpr int kDevices = 10000;

class TableScale : public ::testing::Test
{
protected:
    void SetUp() override
    {
        UiTest::installLanguage("en");
        widget.resize(400, 600);
        widget.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
        widget.setDevices(list);
        QApplication::processEvents();
    }

    CVTableWidget *table() const { return widget.tableWidget(); }
    QScrollBar *bar() const { return table()->verticalScrollBar(); }
    int firstOnScreen() const { return table()->rowAt(0); }
    int lastOnScreen() const { return table()->rowAt(table()->viewport()->height() - 1); }
    // Cell widgets made so far: lent to rows or kept for the next ones.
    int cellWidgets() const { return table()->viewport()->findChildren<CVWidget *>().size(); }
    VTCheckItemWidget *tick(int row) const
    {
        return qobject_cast<VTCheckItemWidget *>(table()->cellWidget(row, 0));
    }
    QString shown(int row, int column) const
    {
        auto *cell = dynamic_cast<VTTextItemWidget *>(table()->cellWidget(row, column));
        return cell ? cell->text() : QStringLiteral("<no cell>");
    }
    void scrollTo(int value) const
    {
        bar()->setValue(value);
        QApplication::processEvents();
    }
    int tickedCount() const
    {
        int ticked = 0;
        for (int row = 0; row < widget.deviceCount(); ++row)
            ticked += widget.deviceAt(row).ticked ? 1 : 0;
        return ticked;
    }
    // The first row on screen whose widgets show another device than its own, or -1.
    int firstWrongRowOnScreen() const
    {
        for (int row = firstOnScreen(); row <= lastOnScreen(); ++row) {
            const VeltoDevice &device = list.at(row);
            if (shown(row, 1) != QString::number(row + 1) || shown(row, 2) != device.mac() ||
                shown(row, 3) != device.ip() || !tick(row) ||
                tick(row)->isChecked() != widget.deviceAt(row).ticked)
                return row;
        }
        return -1;
    }

    const QVector<VeltoDevice> list = UiTest::devices(kDevices);
    VeltoDevicesWidget widget;
};

} // namespace

TEST_F(TableScale, ScrollingToTheEndReusesTheWidgetsOfOneScreen)
{
    ASSERT_EQ(table()->rowCount(), kDevices);
    const int rowsOnScreen = lastOnScreen() - firstOnScreen() + 1;
    ASSERT_GT(rowsOnScreen, 5);
    // One more row for a partly shown one at the bottom.
    const int bound = 4 * (rowsOnScreen + 1);
    EXPECT_LE(cellWidgets(), bound);

    int pages = 0;
    while (bar()->value() < bar()->maximum() && pages++ < kDevices) {
        scrollTo(bar()->value() + bar()->pageStep());
        ASSERT_EQ(firstWrongRowOnScreen(), -1) << "at scroll position " << bar()->value();
    }
    EXPECT_EQ(lastOnScreen(), kDevices - 1);
    EXPECT_LE(cellWidgets(), bound);
    EXPECT_EQ(table()->cellWidget(0, 0), nullptr); // row 0 gave its widgets back
}

TEST_F(TableScale, TicksAndCheckAllReachRowsOffScreen)
{
    QTest::mouseClick(tick(0)->checkBox(), Qt::LeftButton);
    scrollTo(bar()->maximum());
    QTest::mouseClick(tick(kDevices - 1)->checkBox(), Qt::LeftButton);
    EXPECT_EQ(tickedCount(), 2);
    EXPECT_TRUE(widget.deviceAt(0).ticked && widget.deviceAt(kDevices - 1).ticked);
    QCheckBox *checkAll = widget.header()->checkBox();
    EXPECT_FALSE(checkAll->isChecked());

    QTest::mouseClick(checkAll, Qt::LeftButton);
    EXPECT_EQ(tickedCount(), kDevices);
    EXPECT_EQ(firstWrongRowOnScreen(), -1);
    scrollTo(bar()->maximum() / 2);
    EXPECT_EQ(firstWrongRowOnScreen(), -1); // rows scrolled in show their ticks
    QTest::mouseClick(tick(firstOnScreen())->checkBox(), Qt::LeftButton);
    EXPECT_FALSE(checkAll->isChecked());
    EXPECT_EQ(tickedCount(), kDevices - 1);

    QTest::mouseClick(checkAll, Qt::LeftButton); // ticks the one again
    QTest::mouseClick(checkAll, Qt::LeftButton);
    EXPECT_EQ(tickedCount(), 0);
    scrollTo(0);
    EXPECT_EQ(firstWrongRowOnScreen(), -1);
}

TEST_F(TableScale, CtrlCCopiesEveryRowAlsoThoseWithoutWidgets)
{
    QString expected;
    for (int row = 0; row < kDevices; ++row) {
        if (row > 0)
            expected += QLatin1Char('\n');
        expected +=
            QStringLiteral("\t%1\t%2\t%3").arg(row + 1).arg(list[row].mac(), list[row].ip());
    }
    table()->selectAll();
    QApplication::clipboard()->clear();
    QTest::keyClick(table(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), expected);
}
