#include "UI/VeltoDeviceLanKitWidget.h"

#include "JXWidget/JXDialog/JXAlertDialog.h"
#include "JXWidget/JXLabel.h"
#include "UI/VeltoDeviceFirmwareSettingsDialog.h"
#include "UI/VeltoDeviceIPInfoDialog.h"
#include "UI/VeltoDeviceNameSettingsDialog.h"
#include "UI/VeltoDeviceRestoreSettingsDialog.h"
#include "UI/VeltoPanelFont.h"
#include "UI/VeltoUpgradeResultDialog.h"
#include "UI/VeltoUpgradeWaitDialog.h"
#include "Velto/VeltoSettingsCheck.h"

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
const int kMargin = 10;
const int kRowGap = 10;
const int kRowHeight = 30;
const int kLabelWidth = 120;
const int kValueWidth = 150;
const int kButtonWidth = 130;
const int kControlHeight = 24;
// Line edits and buttons sit this much lower than their row's label.
const int kControlOffset = 13;

template <typename T>
T *named(T *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}
} // namespace

VeltoDeviceLanKitWidget::VeltoDeviceLanKitWidget(QWidget *parent)
    : VeltoDeviceContentWidget(parent), title(named(new QLabel(this), "title")),
      nameLabel(named(new QLabel(this), "nameLabel")),
      nameEdit(named(new QLineEdit(this), "nameEdit")),
      nameButton(named(new QPushButton(this), "nameButton")),
      ipLabel(named(new QLabel(this), "ipLabel")), ipValue(named(new QLabel(this), "ipValue")),
      ipButton(named(new QPushButton(this), "ipButton")),
      firmwareLabel(named(new QLabel(this), "firmwareLabel")),
      firmwareValue(named(new JXLabel(this), "firmwareValue")),
      upgradeButton(named(new QPushButton(this), "upgradeButton")),
      restoreButton(named(new QPushButton(this), "restoreButton"))
{
    useVeltoPanelFont(this);
    firmwareValue->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    firmwareValue->setCursor(Qt::PointingHandCursor);
    firmwareValue->setTextColor(palette().color(QPalette::WindowText));
    connect(nameButton, &QPushButton::clicked, this, &VeltoDeviceLanKitWidget::onSetName);
    connect(nameEdit, &QLineEdit::returnPressed, nameButton, &QPushButton::click);
    connect(ipButton, &QPushButton::clicked, this, &VeltoDeviceLanKitWidget::onSetIp);
    connect(upgradeButton, &QPushButton::clicked, this,
            &VeltoDeviceLanKitWidget::onUpgradeFirmware);
    connect(restoreButton, &QPushButton::clicked, this, &VeltoDeviceLanKitWidget::onRestore);
    setTexts();
    setDevice(VeltoDevice());
}

void VeltoDeviceLanKitWidget::setDevice(const VeltoDevice &d)
{
    VeltoDeviceContentWidget::setDevice(d);
    const bool present = d.hasMac();
    setEnabled(present);
    nameEdit->setText(d.name());
    nameEdit->setCursorPosition(0);
    ipText = present ? QStringLiteral("%1(%2)").arg(d.ip(), d.ipMode()) : QString();
    firmwareText = d.appVersion();
    showValues();
}

void VeltoDeviceLanKitWidget::languageChanged()
{
    setTexts();
    layoutChildren();
}

void VeltoDeviceLanKitWidget::resizeEvent(QResizeEvent *event)
{
    VeltoDeviceContentWidget::resizeEvent(event);
    layoutChildren();
}

void VeltoDeviceLanKitWidget::setTexts()
{
    title->setText(translate(QStringLiteral("Device Settings")));
    nameLabel->setText(translate(QStringLiteral("Device Name")));
    nameButton->setText(translate(QStringLiteral("Set")));
    ipLabel->setText(translate(QStringLiteral("IP Address")));
    ipButton->setText(translate(QStringLiteral("Set")));
    firmwareLabel->setText(translate(QStringLiteral("Firmware Version")));
    upgradeButton->setText(translate(QStringLiteral("Upgrade Firmware")));
    restoreButton->setText(translate(QStringLiteral("Restore")));
}

// Rows of label, value and button under the title; "bottom" and "right" are the
// inclusive edges of QRect. Row labels keep their width in every language, so a language
// switch moves nothing but the title's right edge.
void VeltoDeviceLanKitWidget::layoutChildren()
{
    title->setGeometry(kMargin, kMargin, title->sizeHint().width(), kRowHeight);

    nameLabel->setGeometry(kMargin, title->geometry().bottom() + kRowGap, kLabelWidth, kRowHeight);
    const QRect name = nameLabel->geometry();
    nameEdit->setGeometry(name.right() + kRowGap, title->geometry().bottom() + kControlOffset,
                          kValueWidth, kControlHeight);
    nameButton->setGeometry(nameEdit->geometry().right() + kRowGap, nameEdit->y(), kButtonWidth,
                            kControlHeight);

    ipLabel->setGeometry(kMargin, name.bottom() + kRowGap, kLabelWidth, kRowHeight);
    const QRect ip = ipLabel->geometry();
    ipValue->setGeometry(ip.right() + kRowGap, ip.y(), kValueWidth, kRowHeight);
    ipButton->setGeometry(ipValue->geometry().right() + kRowGap, name.bottom() + kControlOffset,
                          kButtonWidth, kControlHeight);

    firmwareLabel->setGeometry(kMargin, ip.bottom() + kRowGap, kLabelWidth, kRowHeight);
    const QRect firmware = firmwareLabel->geometry();
    firmwareValue->setGeometry(firmware.right() + kRowGap, firmware.y(), kValueWidth, kRowHeight);
    upgradeButton->setGeometry(firmwareValue->geometry().right() + kRowGap,
                               ip.bottom() + kControlOffset, kButtonWidth, kControlHeight);

    restoreButton->setGeometry(upgradeButton->x(),
                               upgradeButton->geometry().bottom() + kControlOffset, kButtonWidth,
                               kControlHeight);
    showValues();
}

// A device may report any text; the value labels cut it at their width instead of letting
// it run under the buttons.
void VeltoDeviceLanKitWidget::showValues()
{
    ipValue->setText(ipValue->fontMetrics().elidedText(ipText, Qt::ElideRight, kValueWidth));
    ipValue->setToolTip(ipText);
    firmwareValue->setText(
        firmwareValue->fontMetrics().elidedText(firmwareText, Qt::ElideRight, kValueWidth));
    firmwareValue->setToolTip(firmwareText);
}

void VeltoDeviceLanKitWidget::onSetName()
{
    const QString name = nameEdit->text();
    const VeltoSettingsCheck::Verdict verdict = VeltoSettingsCheck::checkName(name);
    if (verdict != VeltoSettingsCheck::Ok) {
        QString message = translate(VeltoSettingsCheck::text(verdict));
        if (verdict == VeltoSettingsCheck::NameTooLong)
            message = message.arg(VeltoSettingsCheck::kMaxNameBytes);
        showToast(message, Qt::AlignHCenter | Qt::AlignBottom, 5, 5);
        return;
    }
    VeltoDeviceNameSettingsDialog dialog;
    dialog.setDevicesWidget(devicesWidget);
    dialog.setSettings({shownDevice}, {name});
    dialog.start();
    dialog.exec();
}

void VeltoDeviceLanKitWidget::onSetIp()
{
    VeltoDeviceIPInfoDialog dialog;
    dialog.setDevice(shownDevice, devicesWidget);
    dialog.exec();
}

void VeltoDeviceLanKitWidget::onUpgradeFirmware()
{
    QFileDialog chooser(nullptr, QString(), QString(), QString());
    chooser.setFileMode(QFileDialog::ExistingFile);
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty())
        return;
    VeltoDeviceFirmwareSettingsDialog dialog;
    dialog.setDevicesWidget(devicesWidget);
    dialog.setSettings({shownDevice}, {chooser.selectedFiles().first()});
    dialog.start();
    if (dialog.exec() != QDialog::Accepted)
        return;
    dialog.stopRun();
    // Only a device that took the file is waited for: its answer, new version and all,
    // becomes the row's record, and the verdict is shown as for a batch.
    const QVector<int> results = dialog.uploadResults();
    if (results.value(0, -1) != 0)
        return;
    const VeltoDevice device = shownDevice;
    const QVector<VeltoDevice> answers =
        VeltoUpgradeWaitDialog::verify(devicesWidget, {device}, results);
    VeltoUpgradeResultDialog verdict;
    verdict.setResults({device}, answers, results);
    verdict.exec();
}

void VeltoDeviceLanKitWidget::onRestore()
{
    // Return alone must not reset a camera: Cancel is the default.
    const QString device = VeltoDeviceSettingsDialog::deviceLabel(shownDevice);
    JXAlertDialog question;
    const QString text = translate(QStringLiteral("Restore %1 to factory settings?")).arg(device) +
                         QLatin1Char('\n') +
                         translate(QStringLiteral("Its network settings are reset too."));
    question.setContent(text, translate(QStringLiteral("Ok")), translate(QStringLiteral("Cancel")));
    question.makeCancelDefault();
    if (question.exec() != QDialog::Accepted)
        return;
    VeltoDeviceRestoreSettingsDialog dialog;
    dialog.setDevicesWidget(devicesWidget);
    dialog.setSettings({shownDevice});
    dialog.start();
    dialog.exec();
}
