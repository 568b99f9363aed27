#include "UI/VeltoDeviceIPInfoDialog.h"

#include "JXUtils/JXLocalize.h"
#include "UI/VeltoDeviceIpSettingsDialog.h"
#include "UI/VeltoPanelFont.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

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

// Field names in the order of the line edits; the first three are checked in this order.
const char *const kFieldNames[] = {"IP Address", "Netmask", "Gateway", "Dns1", "Dns2"};
const char *const kFieldMessages[] = {"Please input valid ip address", "Please input valid netmask",
                                      "Please input valid gateway"};

bool isCSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// One "%d" conversion at p, read as unsigned and required to be at most 255: blanks, an
// optional sign, at least one digit. A negative number is huge when unsigned and fails.
bool scanOctet(const char *&p, int &octet)
{
    while (isCSpace(*p))
        ++p;
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+')
        ++p;
    if (!isDigit(*p))
        return false;
    int value = 0;
    for (; isDigit(*p); ++p)
        value = std::min(value * 10 + (*p - '0'), 1000); // anything above 255 fails alike
    if ((negative && value != 0) || value > 255)
        return false;
    octet = value;
    return true;
}
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
    const QByteArray utf8 = text.toUtf8();
    const char *p = utf8.constData();
    int octets[4];
    for (int i = 0; i < 4; ++i) {
        if (i > 0 && *p++ != '.')
            return false;
        if (!scanOctet(p, octets[i]))
            return false;
    }
    if (dotted) {
        *dotted = QStringLiteral("%1.%2.%3.%4")
                      .arg(octets[0])
                      .arg(octets[1])
                      .arg(octets[2])
                      .arg(octets[3]);
    }
    return true;
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
    const QString failure = validate(values);
    if (!failure.isEmpty()) {
        showToast(failure, Qt::AlignHCenter | Qt::AlignBottom, kToastMargin, kToastMargin);
        return;
    }
    setStatic(values);
    accept();
}

void VeltoDeviceIPInfoDialog::onClickCancelButton(bool /*checked*/)
{
    reject();
}

// Replaces the three checked addresses by the dotted quads that are sent.
QString VeltoDeviceIPInfoDialog::validate(QString values[kFields]) const
{
    for (int i = 0; i < 3; ++i) {
        if (!parseIpv4(values[i], &values[i]))
            return translate(QString::fromLatin1(kFieldMessages[i]));
    }
    return QString();
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
