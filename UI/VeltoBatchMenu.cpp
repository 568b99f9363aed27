#include "UI/VeltoBatchMenu.h"

#include "JXWidget/JXDialog/JXAlertDialog.h"
#include "UI/CVTableWidget.h"
#include "UI/VeltoDeviceFirmwareSettingsDialog.h"
#include "UI/VeltoDeviceIpSettingsDialog.h"
#include "UI/VeltoDeviceRestoreSettingsDialog.h"
#include "UI/VeltoDevicesWidget.h"
#include "UI/VeltoUpgradeResultDialog.h"
#include "UI/VeltoUpgradeWaitDialog.h"

#include <QDebug>
#include <QFileDialog>
#include <QMenu>

VeltoBatchMenu::VeltoBatchMenu(VeltoDevicesWidget *table) : QObject(table), devicesWidget(table)
{
    setObjectName(QStringLiteral("batchMenu"));
    CVTableWidget *cells = table->tableWidget();
    cells->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(cells, &QWidget::customContextMenuRequested, this, &VeltoBatchMenu::showMenu);
}

QVector<VeltoDevice> VeltoBatchMenu::tickedDevices() const
{
    QVector<VeltoDevice> ticked;
    for (int row = 0; row < devicesWidget->deviceCount(); ++row) {
        const VeltoDevice device = devicesWidget->deviceAt(row);
        if (device.ticked)
            ticked.append(device);
    }
    return ticked;
}

QMenu *VeltoBatchMenu::createMenu() const
{
    auto *menu = new QMenu;
    menu->setObjectName(QStringLiteral("batchMenu"));
    const bool any = !tickedDevices().isEmpty();
    auto *const self = const_cast<VeltoBatchMenu *>(this);
    menu->addAction(translate(QStringLiteral("Upgrade firmware of ticked devices…")), self,
                    &VeltoBatchMenu::upgradeTicked)
        ->setEnabled(any);
    menu->addAction(translate(QStringLiteral("Set ticked devices to DHCP")), self,
                    &VeltoBatchMenu::setTickedToDhcp)
        ->setEnabled(any);
    menu->addAction(translate(QStringLiteral("Restore ticked devices…")), self,
                    &VeltoBatchMenu::restoreTicked)
        ->setEnabled(any);
    return menu;
}

void VeltoBatchMenu::showMenu(const QPoint &position)
{
    QMenu *menu = createMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(devicesWidget->tableWidget()->viewport()->mapToGlobal(position));
}

// Every batch question can cut many cameras off at once: Return alone answers Cancel.
bool VeltoBatchMenu::confirm(const QString &question, int count) const
{
    JXAlertDialog alert;
    alert.setContent(question.arg(count), translate(QStringLiteral("Ok")),
                     translate(QStringLiteral("Cancel")));
    alert.makeCancelDefault();
    return alert.exec() == QDialog::Accepted;
}

void VeltoBatchMenu::upgradeTicked()
{
    const QVector<VeltoDevice> devices = tickedDevices();
    if (devices.isEmpty())
        return;
    QString file = firmwareForTesting;
    if (file.isEmpty()) {
        QFileDialog chooser(nullptr, QString(), QString(), QString());
        chooser.setFileMode(QFileDialog::ExistingFile);
        if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty())
            return;
        file = chooser.selectedFiles().first();
    }
    if (!confirm(translate(QStringLiteral("Upgrade firmware of %1 devices?")), devices.size()))
        return;
    qDebug("batch upgrade of %d devices with %s", int(devices.size()), qUtf8Printable(file));
    VeltoDeviceFirmwareSettingsDialog dialog;
    dialog.setDevicesWidget(devicesWidget);
    dialog.setSettings(devices, QVector<QString>(devices.size(), file));
    dialog.start();
    // Closed by the operator: the rest of the batch is skipped, and nothing is verified.
    if (dialog.exec() != QDialog::Accepted)
        return;
    dialog.stopRun();
    const QVector<int> results = dialog.uploadResults();
    const QVector<VeltoDevice> answers =
        VeltoUpgradeWaitDialog::verify(devicesWidget, devices, results);
    VeltoUpgradeResultDialog result;
    result.setResults(devices, answers, results);
    if (resultShown)
        resultShown(result);
    result.exec();
}

void VeltoBatchMenu::setTickedToDhcp()
{
    const QVector<VeltoDevice> devices = tickedDevices();
    if (devices.isEmpty() ||
        !confirm(translate(QStringLiteral("Set %1 devices to DHCP?")), devices.size()))
        return;
    VeltoDeviceIpSettingsDialog dialog;
    dialog.setDevicesWidget(devicesWidget);
    dialog.setSettings(devices, {}, {}, {}, {}, {}, true);
    dialog.start();
    dialog.exec();
}

void VeltoBatchMenu::restoreTicked()
{
    const QVector<VeltoDevice> devices = tickedDevices();
    // A reset also drops each camera's address, which the operator must expect.
    const QString question = translate(QStringLiteral("Restore %1 devices?")) + QLatin1Char('\n') +
                             translate(QStringLiteral("Their network settings are reset too."));
    if (devices.isEmpty() || !confirm(question, devices.size()))
        return;
    VeltoDeviceRestoreSettingsDialog dialog;
    dialog.setDevicesWidget(devicesWidget);
    dialog.setSettings(devices);
    dialog.start();
    dialog.exec();
}
