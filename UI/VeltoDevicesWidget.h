#pragma once

#include "JXUtils/JXLocalize.h"
#include "JXWidget/JXWidget.h"
#include "Velto/VeltoDevice.h"

#include <QVector>

class CVTableWidget;
class QCheckBoxHeaderWidget;
class VTCheckItemWidget;
class VTTextItemWidget;

// The devices of the last search as a table: tick, number, MAC and IP. Owns the device
// list that the rest of the interface reads by row. GUI thread only.
class VeltoDevicesWidget : public JXWidget, public JXLocalize
{
    Q_OBJECT

public:
    explicit VeltoDevicesWidget(QWidget *parent = nullptr);

    // Replaces the list and rebuilds the table; an empty list shows no rows.
    void setDevices(const QVector<VeltoDevice> &list);
    // A copy of the device of row, or an empty device for a row outside the list.
    VeltoDevice deviceAt(int row) const;
    int deviceCount() const { return devices.size(); }
    void setCurrentCell(int row, int column);
    CVTableWidget *tableWidget() const { return table; }
    QCheckBoxHeaderWidget *header() const { return checkHeader; }
    // Puts changed records back by their rowIndex and refreshes their rows; records whose
    // rowIndex is not in the list are ignored.
    void updateDevices(const QVector<VeltoDevice> &changed);

    void languageChanged() override;

signals:
    // updateDevices() changed at least one record.
    void devicesUpdated();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void setHeaderLabels();
    void buildRow(int row);
    void refreshRow(int row);
    VTCheckItemWidget *checkCell(int row) const;
    VTTextItemWidget *textCell(int row, int column) const;
    void onRowClicked(bool checked, int row);
    void onCheckAllClicked(bool checked);
    void updateCheckAll();

    QVector<VeltoDevice> devices;       // the current list, by value
    CVTableWidget *table;               // child; fills the widget
    QCheckBoxHeaderWidget *checkHeader; // owned by the table as its horizontal header
};
