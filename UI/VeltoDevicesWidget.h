#pragma once

#include "JXUtils/JXLocalize.h"
#include "JXWidget/JXWidget.h"
#include "Velto/VeltoDevice.h"

#include <QVector>

class CVTableWidget;
class CVWidget;
class QCheckBoxHeaderWidget;
class QModelIndex;
class VTCellDelegate;
class VTCheckItemWidget;

// The devices of the last search as a table: tick, number, MAC and IP. Owns the device
// list that the rest of the interface reads by row. GUI thread only.
//
// Every cell shows a widget (a check box, or a label), but only the rows on screen have
// them: the widgets are lent to those rows and taken back as they scroll away (see
// VTCellDelegate). A widget for every cell of every row, as the table first had, made
// each paint clip against all of them: a list of 10,000 devices froze the window for
// most of a minute. What a cell shows is always read from the device list.
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
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setHeaderLabels();
    void fillItems();
    // Lends cell widgets to the rows now on screen and takes them back from the others.
    void showCellWidgets();
    void setRowWidgets(int row, bool open);
    CVWidget *makeCell(int column, QWidget *parent);
    void fillCell(CVWidget *cell, const QModelIndex &index) const;
    QString cellText(int row, int column) const;
    void refreshRow(int row);
    VTCheckItemWidget *checkCell(int row) const;
    bool toggleCurrentTick(const QKeyEvent &key);
    void onRowClicked(bool checked, int row);
    void onCheckAllClicked(bool checked);
    void updateCheckAll();

    QVector<VeltoDevice> devices;       // the current list, by value
    CVTableWidget *table;               // child; fills the widget
    QCheckBoxHeaderWidget *checkHeader; // owned by the table as its horizontal header
    VTCellDelegate *cells;              // owned by the table; lends the cell widgets
    // Rows that hold cell widgets now, first to last; none when last < first.
    int firstShown = 0;
    int lastShown = -1;
    bool filling = false; // while setDevices replaces the rows
};
