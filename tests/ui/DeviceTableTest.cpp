// The device table as the operator uses it: ticks, check-all, Ctrl+C, rows refreshed by
// the settings dialogs, and device records a camera filled with nonsense.
#include "UiTestSupport.h"

#include "JXUtils/JXLocalize.h"
#include "UI/CVTableWidget.h"
#include "UI/QCheckBoxHeaderWidget.h"
#include "UI/VTCheckItemWidget.h"
#include "UI/VTTextItemWidget.h"
#include "UI/VeltoDevicesWidget.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QTest>
#include <gtest/gtest.h>

using UiTest::devices;

namespace {

const char kUntouched[] = "clipboard before the key";

class DeviceTable : public ::testing::Test
{
protected:
    void SetUp() override
    {
        UiTest::installLanguage("en");
        widget.resize(420, 300);
        widget.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
    }

    CVTableWidget *table() const { return widget.tableWidget(); }
    QCheckBox *checkAll() const { return widget.header()->checkBox(); }
    VTCheckItemWidget *tick(int row) const
    {
        return qobject_cast<VTCheckItemWidget *>(table()->cellWidget(row, 0));
    }
    QString shown(int row, int column) const
    {
        auto *cell = dynamic_cast<VTTextItemWidget *>(table()->cellWidget(row, column));
        return cell ? cell->text() : QStringLiteral("<no cell>");
    }
    void clickTick(int row) const { QTest::mouseClick(tick(row)->checkBox(), Qt::LeftButton); }

    void select(const QList<QPair<int, int>> &cells) const
    {
        table()->clearSelection();
        for (const auto &cell : cells)
            table()->selectionModel()->select(table()->model()->index(cell.first, cell.second),
                                              QItemSelectionModel::Select);
    }
    // What the clipboard holds after the key, starting from kUntouched.
    QString afterKey(Qt::Key key, Qt::KeyboardModifiers modifiers) const
    {
        QApplication::clipboard()->setText(QString::fromLatin1(kUntouched));
        QTest::keyClick(table(), key, modifiers);
        return QApplication::clipboard()->text();
    }

    VeltoDevicesWidget widget;
};

} // namespace

TEST_F(DeviceTable, ShowsTickNumberMacAndIpInFixedColumns)
{
    widget.setDevices(devices(3));
    ASSERT_EQ(table()->rowCount(), 3);
    ASSERT_EQ(table()->columnCount(), 4);
    EXPECT_TRUE(table()->verticalHeader()->isHidden());
    const int widths[] = {30, 30, 160, 160};
    const char *const labels[] = {"", "No.", "Mac", "IP"};
    for (int column = 0; column < 4; ++column) {
        EXPECT_EQ(table()->columnWidth(column), widths[column]);
        EXPECT_EQ(table()->horizontalHeaderItem(column)->text(), labels[column]);
    }
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(shown(row, 1), QString::number(row + 1));
        EXPECT_EQ(shown(row, 2), QStringLiteral("02:56:4C:00:00:0%1").arg(row + 1));
        EXPECT_EQ(shown(row, 3), QStringLiteral("10.77.0.%1").arg(11 + row));
        EXPECT_FALSE(tick(row)->isChecked());
        EXPECT_EQ(tick(row)->rowNumber(), row);
        EXPECT_EQ(widget.deviceAt(row).rowIndex, row);
        ASSERT_NE(table()->item(row, 0), nullptr); // for selection and the current cell
    }
    EXPECT_EQ(widget.deviceAt(-1).allValues().size(), 0);
    EXPECT_FALSE(widget.deviceAt(3).hasMac());
}

TEST_F(DeviceTable, TheOnlyDeviceAndCheckAllTickEachOther)
{
    widget.setDevices(devices(1));
    clickTick(0);
    EXPECT_TRUE(widget.deviceAt(0).ticked);
    EXPECT_TRUE(checkAll()->isChecked());
    clickTick(0);
    EXPECT_FALSE(widget.deviceAt(0).ticked);
    EXPECT_FALSE(checkAll()->isChecked());

    QTest::mouseClick(checkAll(), Qt::LeftButton);
    EXPECT_TRUE(widget.deviceAt(0).ticked);
    EXPECT_TRUE(tick(0)->isChecked());
    QTest::mouseClick(checkAll(), Qt::LeftButton);
    EXPECT_FALSE(widget.deviceAt(0).ticked);
    EXPECT_FALSE(tick(0)->isChecked());
}

TEST_F(DeviceTable, CheckAllFollowsEveryRowAndStaysOverColumnZero)
{
    widget.setDevices(devices(3));
    clickTick(0);
    clickTick(2);
    EXPECT_FALSE(checkAll()->isChecked());
    clickTick(1);
    EXPECT_TRUE(checkAll()->isChecked());
    clickTick(2);
    EXPECT_FALSE(checkAll()->isChecked());
    EXPECT_TRUE(widget.deviceAt(0).ticked && widget.deviceAt(1).ticked);
    EXPECT_FALSE(widget.deviceAt(2).ticked);

    table()->setColumnWidth(0, 80);
    EXPECT_EQ(checkAll()->x(), (80 - checkAll()->width()) / 2);
    EXPECT_EQ(checkAll()->y(), 5);
}

TEST_F(DeviceTable, ANewListStartsWithCheckAllMatchingItsTicks)
{
    widget.setDevices(devices(2));
    QTest::mouseClick(checkAll(), Qt::LeftButton);
    ASSERT_TRUE(checkAll()->isChecked());
    widget.setDevices(devices(3)); // a new search
    EXPECT_FALSE(checkAll()->isChecked());
    QVector<VeltoDevice> ticked = devices(2);
    ticked[0].ticked = ticked[1].ticked = true;
    widget.setDevices(ticked);
    EXPECT_TRUE(checkAll()->isChecked());
    EXPECT_TRUE(tick(0)->isChecked() && tick(1)->isChecked());
}

TEST_F(DeviceTable, CheckAllOnAnEmptyTableChangesNothingElse)
{
    widget.setDevices({});
    QTest::mouseClick(checkAll(), Qt::LeftButton);
    EXPECT_TRUE(checkAll()->isChecked()); // as the operator left it
    EXPECT_EQ(table()->rowCount(), 0);
    EXPECT_EQ(widget.deviceCount(), 0);
}

TEST_F(DeviceTable, AnEmptyListShowsNoRows)
{
    widget.setDevices(devices(3));
    widget.setDevices({});
    EXPECT_EQ(table()->rowCount(), 0);
    EXPECT_FALSE(widget.deviceAt(0).hasMac());
    widget.setDevices(devices(2));
    EXPECT_EQ(table()->rowCount(), 2);
    EXPECT_EQ(shown(1, 2), "02:56:4C:00:00:02");
}

TEST_F(DeviceTable, CtrlCCopiesTheSelectedCellsAsTabbedLines)
{
    widget.setDevices(devices(3));
    const struct
    {
        QList<QPair<int, int>> cells;
        const char *text;
    } cases[] = {
        {{{0, 1}, {0, 3}}, "1\t\t10.77.0.11"},
        {{{0, 0}, {0, 1}, {0, 2}, {0, 3}}, "\t1\t02:56:4C:00:00:01\t10.77.0.11"},
        {{{2, 3}, {0, 0}, {2, 0}, {0, 1}, {0, 2}, {2, 2}, {0, 3}, {2, 1}},
         "\t1\t02:56:4C:00:00:01\t10.77.0.11\n\t3\t02:56:4C:00:00:03\t10.77.0.13"},
        {{{0, 3}, {1, 2}}, "\t10.77.0.11\n02:56:4C:00:00:02"},
        {{{1, 0}}, ""}, // a tick alone copies nothing
    };
    for (const auto &c : cases) {
        select(c.cells);
        const QString expected = *c.text ? QString::fromUtf8(c.text) : QString(kUntouched);
        EXPECT_EQ(afterKey(Qt::Key_C, Qt::ControlModifier), expected) << c.text;
    }
}

TEST_F(DeviceTable, OnlyCtrlCIsACopy)
{
    widget.setDevices(devices(2));
    select({{0, 2}});
    EXPECT_EQ(afterKey(Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier), kUntouched);
    EXPECT_EQ(afterKey(Qt::Key_C, Qt::NoModifier), kUntouched);
    EXPECT_EQ(afterKey(Qt::Key_X, Qt::ControlModifier), kUntouched);
    table()->clearSelection();
    EXPECT_EQ(afterKey(Qt::Key_C, Qt::ControlModifier), kUntouched);
}

TEST_F(DeviceTable, UpdateDevicesRefreshesOnlyTheMatchingRow)
{
    widget.setDevices(devices(3));
    VeltoDevice changed = widget.deviceAt(1);
    changed.setIp("192.168.77.20");
    changed.setName("Door");
    changed.ticked = true;
    VeltoDevice stranger = UiTest::device("02:56:4C:00:00:99", "192.168.77.99");
    stranger.rowIndex = 7;
    VeltoDevice unplaced = UiTest::device("02:56:4C:00:00:98", "192.168.77.98");

    widget.updateDevices({changed, stranger, unplaced});
    EXPECT_EQ(widget.deviceCount(), 3);
    EXPECT_EQ(shown(1, 3), "192.168.77.20");
    EXPECT_EQ(widget.deviceAt(1).name(), "Door");
    EXPECT_TRUE(tick(1)->isChecked());
    EXPECT_TRUE(widget.deviceAt(1).ticked);
    for (int row : {0, 2}) {
        EXPECT_EQ(shown(row, 3), QStringLiteral("10.77.0.%1").arg(11 + row));
        EXPECT_FALSE(tick(row)->isChecked());
    }
    EXPECT_FALSE(checkAll()->isChecked());
}

TEST_F(DeviceTable, NonsenseFromADeviceStaysInsideItsCell)
{
    VeltoDevice longIp = UiTest::device("02:56:4C:00:00:01", QString(2000, QLatin1Char('9')));
    longIp.setName(QString(2000, QChar(0x540D)));
    VeltoDevice notAnAddress = UiTest::device("<b>02:56</b>", "999.1.2.3/24\nfe80::1");
    VeltoDevice bare;
    widget.setDevices({longIp, notAnAddress, bare});
    QApplication::processEvents();

    ASSERT_EQ(table()->rowCount(), 3);
    const int widths[] = {30, 30, 160, 160};
    for (int column = 0; column < 4; ++column)
        EXPECT_EQ(table()->columnWidth(column), widths[column]);
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 4; ++column) {
            const QWidget *cell = table()->cellWidget(row, column);
            ASSERT_NE(cell, nullptr);
            EXPECT_LE(cell->width(), table()->columnWidth(column));
            EXPECT_LE(cell->height(), table()->rowHeight(row));
            for (const QWidget *child : cell->findChildren<QWidget *>())
                EXPECT_TRUE(cell->rect().contains(child->geometry())) << row << "," << column;
        }
    }
    EXPECT_EQ(shown(1, 2), "<b>02:56</b>"); // shown as typed, never as markup
    EXPECT_EQ(shown(2, 2), "");
    select({{0, 3}});
    EXPECT_EQ(afterKey(Qt::Key_C, Qt::ControlModifier), QString(2000, QLatin1Char('9')));
}

TEST_F(DeviceTable, HeadersFollowALanguageSwitch)
{
    widget.setDevices(devices(1));
    JXLocalize::changeLanguage("cn");
    EXPECT_EQ(table()->horizontalHeaderItem(2)->text(), QString::fromUtf8("MAC地址"));
    EXPECT_EQ(table()->horizontalHeaderItem(3)->text(), QString::fromUtf8("IP地址"));
    EXPECT_EQ(table()->horizontalHeaderItem(1)->text(), "No.");
    JXLocalize::changeLanguage("en");
    EXPECT_EQ(table()->horizontalHeaderItem(2)->text(), "Mac");
    EXPECT_EQ(shown(0, 2), "02:56:4C:00:00:01");
}

TEST(DeviceTableKeys, KeysTheTableDoesNotUseGoOnToTheWindow)
{
    // The main window's stand-in: records the keys that reach it.
    class Window : public QWidget
    {
    public:
        QList<int> keys;

    protected:
        void keyPressEvent(QKeyEvent *event) override
        {
            if (event->key() != Qt::Key_Control)
                keys << event->key();
        }
    } window;
    auto *table = new VeltoDevicesWidget(&window);
    table->setDevices(devices(1));
    QTest::keyClick(table, Qt::Key_F5);
    QTest::keyClick(table, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(window.keys, QList<int>({Qt::Key_F5, Qt::Key_C}));
}
