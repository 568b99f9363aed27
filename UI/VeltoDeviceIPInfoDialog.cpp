#include "UI/VeltoDeviceIPInfoDialog.h"

#include "JXUtils/JXLocalize.h"
#include "JXWidget/JXDialog/JXAlertDialog.h"
#include "UI/VeltoDeviceIpSettingsDialog.h"
#include "UI/VeltoDevicesWidget.h"
#include "UI/VeltoPanelFont.h"
#include "Velto/VeltoSettingsCheck.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <iterator>

namespace {
constexpr int kDialogWidth = 260;
constexpr int kDialogHeight = 230;
constexpr int kLabelX = 10;
constexpr int kFieldX = 140;
constexpr int kColumnWidth = 110;
constexpr int kRowHeight = 20;
constexpr int kModeY = 10;
constexpr int kFirstFieldY = 40;
constexpr int kRowStep = 30;
constexpr int kButtonY = 190;
constexpr int kButtonHeight = 25;

// Field names in the order of the line edits.
const char *const kFieldNames[] = {"IP Address", "Netmask", "Gateway", "Dns1", "Dns2"};
} // namespace

VeltoDeviceIPInfoDialog::VeltoDeviceIPInfoDialog(QWidget *parent)
    : JXDialog(parent), modeBox(new QComboBox(this)), setButton(new QPushButton(this)),
      cancelButton(new QPushButton(this))
{
    useVeltoPanelFont(this);
    addLabel("IP Mode", kModeY);
    modeBox->addItem(translate(QStringLiteral("DHCP")));
    modeBox->addItem(translate(QStringLiteral("Static")));
    modeBox->setGeometry(kFieldX, kModeY, std::max(modeBox->sizeHint().width(), kColumnWidth),
                         kRowHeight);
    for (int i = 0; i < kFields; ++i) {
        const int y = kFirstFieldY + i * kRowStep;
        labels[i] = addLabel(kFieldNames[i], y);
        edits[i] = new QLineEdit(this);
        edits[i]->setGeometry(kFieldX, y, kColumnWidth, kRowHeight);
    }
    setButton->setText(translate(QStringLiteral("Set")));
    setButton->setGeometry(kLabelX, kButtonY, kColumnWidth, kButtonHeight);
    cancelButton->setText(translate(QStringLiteral("Cancel")));
    cancelButton->setGeometry(kFieldX, kButtonY, kColumnWidth, kButtonHeight);
    setMinimumSize(kDialogWidth, kDialogHeight);
    resize(kDialogWidth, kDialogHeight);

    connect(modeBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &VeltoDeviceIPInfoDialog::onComboBoxIndexChanged);
    connect(setButton, &QPushButton::clicked, this, &VeltoDeviceIPInfoDialog::onClickSetButton);
    connect(cancelButton, &QPushButton::clicked, this,
            &VeltoDeviceIPInfoDialog::onClickCancelButton);
}

QLabel *VeltoDeviceIPInfoDialog::addLabel(const char *text, int y)
{
    auto *label = new QLabel(translate(QString::fromLatin1(text)), this);
    label->setGeometry(kLabelX, y, kColumnWidth, kRowHeight);
    return label;
}

void VeltoDeviceIPInfoDialog::setDevice(const VeltoDevice &d, VeltoDevicesWidget *w)
{
    device = d;
    devicesWidget = w;
    const QString values[kFields] = {d.ip(), d.netmask(), d.gateway(), d.dns1(), d.dns2()};
    for (int i = 0; i < kFields; ++i) {
        edits[i]->setText(values[i]);
        edits[i]->setCursorPosition(0);
    }
    const bool dhcp = d.ipMode().compare(QLatin1String("DHCP"), Qt::CaseInsensitive) == 0;
    const int index = dhcp ? Dhcp : Static;
    const QSignalBlocker quiet(modeBox); // applied once, below, also when the index stays
    modeBox->setCurrentIndex(index);
    onComboBoxIndexChanged(index);
}

bool VeltoDeviceIPInfoDialog::parseIpv4(const QString &text, QString *dotted)
{
    quint32 address = 0;
    return VeltoSettingsCheck::parseIpv4(text, address, dotted);
}

void VeltoDeviceIPInfoDialog::onComboBoxIndexChanged(int index)
{
    const bool editable = index != Dhcp;
    for (int i = 0; i < kFields; ++i) {
        labels[i]->setEnabled(editable);
        edits[i]->setEnabled(editable);
    }
}

void VeltoDeviceIPInfoDialog::onClickSetButton(bool /*checked*/)
{
    if (modeBox->currentIndex() == Dhcp) {
        setDhcp();
        accept();
        return;
    }
    QString values[kFields];
    for (int i = 0; i < kFields; ++i)
        values[i] = edits[i]->text();
    if (!validate(values))
        return;
    setStatic(values);
    accept();
}

void VeltoDeviceIPInfoDialog::onClickCancelButton(bool /*checked*/)
{
    reject();
}

// Replaces the addresses by the dotted quads that are sent. A refusal is shown as a toast;
// a gateway outside the subnet is sent only when the operator confirms it, for a camera
// that cannot reach its gateway is lost to every other network.
bool VeltoDeviceIPInfoDialog::validate(QString values[kFields])
{
    VeltoSettingsCheck::StaticAddress address{values[0], values[1], values[2], values[3],
                                              values[4]};
    QVector<VeltoDevice> listed;
    for (int row = 0; devicesWidget && row < devicesWidget->deviceCount(); ++row)
        listed.append(devicesWidget->deviceAt(row));
    const VeltoSettingsCheck::Verdict verdict =
        VeltoSettingsCheck::checkStatic(address, listed, device.mac());
    const QString message = translate(VeltoSettingsCheck::text(verdict));
    if (verdict == VeltoSettingsCheck::GatewayOutsideSubnet) {
        JXAlertDialog question;
        question.setContent(message, translate(QStringLiteral("Ok")),
                            translate(QStringLiteral("Cancel")));
        question.makeCancelDefault();
        if (question.exec() != QDialog::Accepted)
            return false;
    } else if (verdict != VeltoSettingsCheck::Ok) {
        showToast(message, Qt::AlignHCenter | Qt::AlignBottom, kToastMargin, kToastMargin);
        return false;
    }
    const QString checked[kFields] = {address.ip, address.netmask, address.gateway, address.dns1,
                                      address.dns2};
    std::copy(std::begin(checked), std::end(checked), values);
    return true;
}

void VeltoDeviceIPInfoDialog::setDhcp()
{
    VeltoDeviceIpSettingsDialog settings;
    settings.setDevicesWidget(devicesWidget);
    settings.setSettings({device}, {}, {}, {}, {}, {}, true);
    settings.start();
    settings.exec();
}

void VeltoDeviceIPInfoDialog::setStatic(const QString values[kFields])
{
    VeltoDeviceIpSettingsDialog settings;
    settings.setDevicesWidget(devicesWidget);
    settings.setSettings({device}, {values[0]}, {values[1]}, {values[2]}, {values[3]}, {values[4]},
                         false);
    settings.start();
    settings.exec();
}
