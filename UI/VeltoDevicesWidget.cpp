#include "UI/VeltoDevicesWidget.h"

#include "UI/CVTableWidget.h"
#include "UI/QCheckBoxHeaderWidget.h"
#include "UI/VTCheckItemWidget.h"
#include "UI/VTTextItemWidget.h"
#include "UI/VeltoBatchMenu.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QKeyEvent>

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
const int kColumnWidths[ColumnCount] = {30, 30, 160, 160};
} // namespace

VeltoDevicesWidget::VeltoDevicesWidget(QWidget *parent)
    : JXWidget(parent), table(new CVTableWidget(this)),
      checkHeader(new QCheckBoxHeaderWidget(Qt::Horizontal, table))
{
    connect(checkHeader->checkBox(), &QCheckBox::clicked, this,
            &VeltoDevicesWidget::onCheckAllClicked);
    // The style's own minimum would widen the two narrow columns.
    checkHeader->setMinimumSectionSize(
        *std::min_element(kColumnWidths, kColumnWidths + ColumnCount));
    table->setHorizontalHeader(checkHeader);
    new VeltoBatchMenu(this); // child: the table's right-click menu
    setDevices(devices);
}

void VeltoDevicesWidget::setHeaderLabels()
{
    // "No." is a sign, not a word: it stays as written in both languages.
    table->setHorizontalHeaderLabels(
        {QString(), QStringLiteral("No."), translate("Mac"), translate("IP")});
}

void VeltoDevicesWidget::setDevices(const QVector<VeltoDevice> &list)
{
    if (!devices.isSharedWith(list))
        devices = list;
    table->clear();
    table->setColumnCount(ColumnCount);
    setHeaderLabels();
    table->verticalHeader()->hide();
    for (int column = 0; column < ColumnCount; ++column)
        table->setColumnWidth(column, kColumnWidths[column]);
    table->setRowCount(devices.size());
    for (int row = 0; row < devices.size(); ++row)
        buildRow(row);
    // A new search brings unticked records; a check-all box left ticked would say otherwise.
    updateCheckAll();
}

void VeltoDevicesWidget::buildRow(int row)
{
    VeltoDevice &device = devices[row];
    device.rowIndex = row;
    auto *number = new VTTextItemWidget;
    number->setText(QString::number(device.rowIndex + 1));
    auto *tick = new VTCheckItemWidget;
    tick->setRow(row);
    tick->setChecked(device.ticked);
    connect(tick, &VTCheckItemWidget::clicked, this, &VeltoDevicesWidget::onRowClicked);
    auto *mac = new VTTextItemWidget;
    mac->setText(device.mac());
    auto *ip = new VTTextItemWidget;
    ip->setText(device.ip());
    for (int column = 0; column < ColumnCount; ++column)
        table->setItem(row, column, new QTableWidgetItem);
    table->setCellWidget(row, NumberColumn, number);
    table->setCellWidget(row, TickColumn, tick);
    table->setCellWidget(row, MacColumn, mac);
    table->setCellWidget(row, IpColumn, ip);
}

VTCheckItemWidget *VeltoDevicesWidget::checkCell(int row) const
{
    return qobject_cast<VTCheckItemWidget *>(table->cellWidget(row, TickColumn));
}

VTTextItemWidget *VeltoDevicesWidget::textCell(int row, int column) const
{
    return dynamic_cast<VTTextItemWidget *>(table->cellWidget(row, column));
}

void VeltoDevicesWidget::refreshRow(int row)
{
    const VeltoDevice &device = devices.at(row);
    const QString texts[ColumnCount] = {QString(), QString::number(device.rowIndex + 1),
                                        device.mac(), device.ip()};
    for (int column = NumberColumn; column < ColumnCount; ++column) {
        if (VTTextItemWidget *cell = textCell(row, column))
            cell->setText(texts[column]);
    }
    if (VTCheckItemWidget *tick = checkCell(row))
        tick->setChecked(device.ticked);
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

void VeltoDevicesWidget::updateDevices(const QVector<VeltoDevice> &changed)
{
    bool refreshed = false;
    for (const VeltoDevice &record : changed) {
        const auto found = std::find_if(devices.begin(), devices.end(), [&](const VeltoDevice &d) {
            return d.rowIndex == record.rowIndex;
        });
        if (found == devices.end())
            continue;
        *found = record;
        refreshRow(static_cast<int>(found - devices.begin()));
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
    for (int row = 0; row < devices.size(); ++row) {
        devices[row].ticked = checked;
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

void VeltoDevicesWidget::keyPressEvent(QKeyEvent *event)
{
    QWidget::keyPressEvent(event);
    event->ignore(); // keys go on to the main window
}
