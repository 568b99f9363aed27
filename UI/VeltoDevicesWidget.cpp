#include "UI/VeltoDevicesWidget.h"

#include "UI/CVTableWidget.h"
#include "UI/QCheckBoxHeaderWidget.h"
#include "UI/VTCellDelegate.h"
#include "UI/VTCheckItemWidget.h"
#include "UI/VTTextItemWidget.h"
#include "UI/VeltoBatchMenu.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QSignalBlocker>

#include <algorithm>

namespace {
enum Column
{
    TickColumn,
    NumberColumn,
    MacColumn,
    IpColumn,
    ColumnCount
};
constexpr int kColumnWidths[ColumnCount] = {30, 30, 160, 160};
} // namespace

VeltoDevicesWidget::VeltoDevicesWidget(QWidget *parent)
    : JXWidget(parent), table(new CVTableWidget(this)),
      checkHeader(new QCheckBoxHeaderWidget(Qt::Horizontal, table)),
      cells(new VTCellDelegate(
          [this](int column, QWidget *p) { return makeCell(column, p); },
          [this](CVWidget *cell, const QModelIndex &index) { fillCell(cell, index); }, table))
{
    connect(checkHeader->checkBox(), &QCheckBox::clicked, this,
            &VeltoDevicesWidget::onCheckAllClicked);
    // The style's own minimum would widen the two narrow columns.
    checkHeader->setMinimumSectionSize(
        *std::min_element(kColumnWidths, kColumnWidths + ColumnCount));
    table->setHorizontalHeader(checkHeader);
    table->setItemDelegate(cells);
    // The cell widgets are the only editors; a key or a double click never makes another.
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab leaves the table for the next control; the arrow keys walk the cells.
    table->setTabKeyNavigation(false);
    table->installEventFilter(this);
    table->setTextSource([this](int row, int column) { return cellText(row, column); });
    connect(table->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &VeltoDevicesWidget::showCellWidgets);
    table->viewport()->installEventFilter(this);
    new VeltoBatchMenu(this); // child: the table's right-click menu
    setDevices(devices);
}

void VeltoDevicesWidget::setHeaderLabels()
{
    // "No." is a sign, not a word: it stays as written in both languages.
    table->setHorizontalHeaderLabels(
        {QString(), QStringLiteral("No."), translate("Mac"), translate("IP")});
}

// Applied in one step: the model is reset once, gets all its rows at once, and nothing is
// laid out or painted until the rows on screen have their widgets.
void VeltoDevicesWidget::setDevices(const QVector<VeltoDevice> &list)
{
    if (!devices.isSharedWith(list))
        devices = list;
    for (int row = 0; row < devices.size(); ++row)
        devices[row].rowIndex = row;
    table->setUpdatesEnabled(false);
    // The reset takes every cell widget back; the scroll bar's moves while the rows change
    // lend none until the rows are in place.
    filling = true;
    firstShown = 0;
    lastShown = -1;
    table->clear();
    table->setColumnCount(ColumnCount);
    setHeaderLabels();
    table->verticalHeader()->hide();
    for (int column = 0; column < ColumnCount; ++column)
        table->setColumnWidth(column, kColumnWidths[column]);
    table->setRowCount(devices.size());
    fillItems();
    filling = false;
    showCellWidgets();
    // A new search brings unticked records; a check-all box left ticked would say otherwise.
    updateCheckAll();
    table->setUpdatesEnabled(true);
}

// Every cell holds an empty item, for selection and the current cell. They are new and
// empty, so the model's per-item change signals would only make the view repaint cells
// it repaints anyway.
void VeltoDevicesWidget::fillItems()
{
    const QSignalBlocker quiet(table->model());
    for (int row = 0; row < devices.size(); ++row) {
        for (int column = 0; column < ColumnCount; ++column)
            table->setItem(row, column, new QTableWidgetItem);
    }
}

void VeltoDevicesWidget::showCellWidgets()
{
    if (filling)
        return;
    int first = 0;
    int last = -1;
    if (table->rowCount() > 0) {
        first = std::max(table->rowAt(0), 0);
        last = table->rowAt(table->viewport()->height() - 1);
        if (last < 0)
            last = table->rowCount() - 1;
    }
    for (int row = firstShown; row <= lastShown; ++row) {
        if (row < first || row > last)
            setRowWidgets(row, false);
    }
    for (int row = first; row <= last; ++row) {
        if (row < firstShown || row > lastShown)
            setRowWidgets(row, true);
    }
    firstShown = first;
    lastShown = last;
}

void VeltoDevicesWidget::setRowWidgets(int row, bool open)
{
    for (int column = 0; column < ColumnCount; ++column) {
        const QModelIndex index = table->model()->index(row, column);
        if (open)
            table->QAbstractItemView::openPersistentEditor(index);
        else
            table->QAbstractItemView::closePersistentEditor(index);
    }
}

CVWidget *VeltoDevicesWidget::makeCell(int column, QWidget *parent)
{
    if (column != TickColumn)
        return new VTTextItemWidget(parent);
    auto *tick = new VTCheckItemWidget(parent);
    connect(tick, &VTCheckItemWidget::clicked, this, &VeltoDevicesWidget::onRowClicked);
    return tick;
}

void VeltoDevicesWidget::fillCell(CVWidget *cell, const QModelIndex &index) const
{
    const int row = index.row();
    if (auto *tick = qobject_cast<VTCheckItemWidget *>(cell)) {
        tick->setRow(row);
        tick->setChecked(row < devices.size() && devices.at(row).ticked);
    } else if (auto *text = dynamic_cast<VTTextItemWidget *>(cell)) {
        text->setText(cellText(row, index.column()));
    }
}

// What a cell shows; the tick column shows no text.
QString VeltoDevicesWidget::cellText(int row, int column) const
{
    if (row < 0 || row >= devices.size())
        return QString();
    const VeltoDevice &device = devices.at(row);
    switch (column) {
    case NumberColumn:
        return QString::number(device.rowIndex + 1);
    case MacColumn:
        return device.mac();
    case IpColumn:
        return device.ip();
    default:
        return QString();
    }
}

VTCheckItemWidget *VeltoDevicesWidget::checkCell(int row) const
{
    return qobject_cast<VTCheckItemWidget *>(table->cellWidget(row, TickColumn));
}

void VeltoDevicesWidget::refreshRow(int row)
{
    if (row < firstShown || row > lastShown)
        return; // the row gets its widgets, filled afresh, when it scrolls into view
    for (int column = 0; column < ColumnCount; ++column) {
        const QModelIndex index = table->model()->index(row, column);
        if (auto *cell = dynamic_cast<CVWidget *>(table->indexWidget(index)))
            fillCell(cell, index);
    }
}

VeltoDevice VeltoDevicesWidget::deviceAt(int row) const
{
    if (row < 0 || row >= devices.size())
        return VeltoDevice();
    return devices.at(row);
}

void VeltoDevicesWidget::setCurrentCell(int row, int column)
{
    table->setCurrentCell(row, column);
}

// setDevices numbers the list, so a record's rowIndex is its place in it.
void VeltoDevicesWidget::updateDevices(const QVector<VeltoDevice> &changed)
{
    bool refreshed = false;
    for (const VeltoDevice &record : changed) {
        const int row = record.rowIndex;
        if (row < 0 || row >= devices.size() || devices.at(row).rowIndex != row)
            continue;
        devices[row] = record;
        refreshRow(row);
        refreshed = true;
    }
    // A record may come back with another tick; the check-all box follows the list.
    if (refreshed) {
        updateCheckAll();
        emit devicesUpdated();
    }
}

void VeltoDevicesWidget::onRowClicked(bool checked, int row)
{
    if (row < 0 || row >= devices.size())
        return;
    devices[row].ticked = checked;
    updateCheckAll();
}

void VeltoDevicesWidget::updateCheckAll()
{
    const bool all =
        !devices.isEmpty() && std::all_of(devices.cbegin(), devices.cend(),
                                          [](const VeltoDevice &device) { return device.ticked; });
    checkHeader->checkBox()->setChecked(all);
}

void VeltoDevicesWidget::onCheckAllClicked(bool checked)
{
    for (VeltoDevice &device : devices)
        device.ticked = checked;
    for (int row = firstShown; row <= lastShown; ++row) {
        if (VTCheckItemWidget *tick = checkCell(row))
            tick->setChecked(checked);
    }
}

void VeltoDevicesWidget::languageChanged()
{
    setHeaderLabels();
}

void VeltoDevicesWidget::resizeEvent(QResizeEvent *event)
{
    JXWidget::resizeEvent(event);
    table->setGeometry(0, 0, width(), height());
}

bool VeltoDevicesWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == table->viewport() && event->type() == QEvent::Resize)
        showCellWidgets();
    if (watched == table && event->type() == QEvent::KeyPress &&
        toggleCurrentTick(*static_cast<QKeyEvent *>(event)))
        return true;
    return JXWidget::eventFilter(watched, event);
}

// Space ticks or unticks the current row, as a click on its box does: the boxes take no
// keyboard focus.
bool VeltoDevicesWidget::toggleCurrentTick(const QKeyEvent &key)
{
    const int row = table->currentRow();
    if (key.key() != Qt::Key_Space || key.modifiers() != Qt::NoModifier || row < 0 ||
        row >= devices.size())
        return false;
    devices[row].ticked = !devices.at(row).ticked;
    refreshRow(row);
    updateCheckAll();
    return true;
}

void VeltoDevicesWidget::keyPressEvent(QKeyEvent *event)
{
    QWidget::keyPressEvent(event);
    event->ignore(); // keys go on to the main window
}
