#pragma once

#include "JXWidget/JXWidget.h"
#include "Velto/VeltoDevice.h"

#include <QVector>

// Stand-in for the device table while the panel is built on its own branch: only the list
// operations the panel and its dialogs use. The table's branch replaces this file.
class VeltoDevicesWidget : public JXWidget
{
    Q_OBJECT

public:
    explicit VeltoDevicesWidget(QWidget *parent = nullptr);

    void setDevices(const QVector<VeltoDevice> &list);
    // A copy of the device of that row; an empty device for a row outside the list.
    VeltoDevice deviceAt(int row) const;
    // Replaces each listed device whose rowIndex matches one of the list's. GUI thread.
    void updateDevices(const QVector<VeltoDevice> &changed);

private:
    QVector<VeltoDevice> devices; // GUI thread only
};
