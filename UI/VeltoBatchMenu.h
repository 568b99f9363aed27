#pragma once

#include "JXUtils/JXLocalize.h"
#include "Velto/VeltoDevice.h"

#include <QObject>
#include <QString>
#include <QVector>

#include <functional>

class QMenu;
class QPoint;
class VeltoDevicesWidget;
class VeltoUpgradeResultDialog;

// The device table's right-click menu: operations on every ticked device at once, through
// the same settings dialogs as the panel. Each entry is disabled while nothing is ticked.
// GUI thread only.
class VeltoBatchMenu : public QObject, public JXLocalize
{
    Q_OBJECT

public:
    // Becomes a child of table, whose context menu it answers.
    explicit VeltoBatchMenu(VeltoDevicesWidget *table);

    // The menu for the current ticks; the caller owns it.
    QMenu *createMenu() const;

    // The entries' operations. Each asks first, naming how many devices.
    void upgradeTicked();
    void setTickedToDhcp();
    void restoreTicked();

    void languageChanged() override {}

    // Tests choose the file without a file dialog; empty asks the operator again.
    void setFirmwareFileForTesting(const QString &path) { firmwareForTesting = path; }
    // Called with the result dialog just before it is shown; for tests.
    std::function<void(VeltoUpgradeResultDialog &)> resultShown;

private:
    QVector<VeltoDevice> tickedDevices() const;
    // question holds %1 for the number of devices.
    bool confirm(const QString &question, int count) const;
    void showMenu(const QPoint &position);

    VeltoDevicesWidget *devicesWidget; // the parent
    QString firmwareForTesting;
};
