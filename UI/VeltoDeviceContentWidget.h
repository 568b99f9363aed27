#pragma once

#include "JXWidget/JXToast.h"
#include "Velto/VeltoDevice.h"

class VeltoDevicesWidget;

// Base of the panel that shows the device selected in the table. It can show toast
// messages over itself and keeps a copy of the device record, which follows every change
// that the table takes back from a dialog.
class VeltoDeviceContentWidget : public JXToast
{
    Q_OBJECT

public:
    explicit VeltoDeviceContentWidget(QWidget *parent = nullptr);

    // The table that the panel's dialogs write changed records back to, and whose changed
    // records the panel takes over.
    virtual void setDevicesWidget(VeltoDevicesWidget *widget);
    // Copies d; the panel shows it until the next call or a change of its table row.
    virtual void setDevice(const VeltoDevice &d);
    virtual VeltoDevice device() const;

private slots:
    void takeCurrentRecord();

protected:
    VeltoDevice shownDevice;                     // a copy; GUI thread
    VeltoDevicesWidget *devicesWidget = nullptr; // not owned; null until set; GUI thread
};
