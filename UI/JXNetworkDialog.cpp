#include "UI/JXNetworkDialog.h"

#include "JXUtils/JXConfigure.h"
#include "JXUtils/JXLocalize.h"
#include "Velto/VeltoNetwork.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace {
constexpr int kDialogWidth = 500;
constexpr int kDialogHeight = 200;
constexpr int kPromptHeight = 40;
constexpr int kComboMargin = 10; // on either side
constexpr int kComboHeight = 30;
// The design places the box (H - 160) / 2 below the prompt: 20 at the usual height. That
// is not centred between the prompt and the button, and is kept as drawn.
constexpr int kComboHeightAllowance = 160;
constexpr int kButtonWidth = 60;
constexpr int kButtonHeight = 40;
// From the dialog's bottom edge up to the button's top, leaving 20 under the button.
constexpr int kButtonRise = 60;
} // namespace

JXNetworkDialog::JXNetworkDialog(QWidget *parent)
    : JXDialog(parent), promptLabel(new QLabel(this)), networkCombo(new QComboBox(this)),
      okButton(new QPushButton(this))
{
    resize(kDialogWidth, kDialogHeight);
    if (parent && parent->width() > 0 && parent->height() > 0)
        move(parent->mapToGlobal(parent->rect().center()) - rect().center());
    promptLabel->setText(translate(QStringLiteral("Please select network")));
    promptLabel->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    okButton->setText(translate(QStringLiteral("OK")));
    connect(okButton, &QPushButton::clicked, this, &JXNetworkDialog::onClickOkButton);
    connect(networkCombo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &JXNetworkDialog::onComoBoxIndexChanged);
}

void JXNetworkDialog::setInterfaces(const QList<QNetworkInterface> &list)
{
    networkCombo->clear();
    entries.clear();
    interfaces = list;
    for (int i = 0; i < interfaces.size(); ++i) {
        const QNetworkInterface &iface = interfaces.at(i);
        const QList<QNetworkAddressEntry> addresses = iface.addressEntries();
        for (const QNetworkAddressEntry &address : addresses) {
            if (address.ip().protocol() != QAbstractSocket::IPv4Protocol)
                continue;
            networkCombo->addItem(
                QStringLiteral("%1 %2").arg(iface.humanReadableName(), address.ip().toString()), i);
            entries.append(address);
        }
    }
    // An empty list says why, so that the operator knows what to fix.
    QString prompt = translate(QStringLiteral("Please select network"));
    if (entries.isEmpty()) {
        const QString why = whyNoUsableInterface();
        prompt = translate(why.isEmpty() ? QStringLiteral("No usable network") : why);
    }
    promptLabel->setText(prompt);
}

void JXNetworkDialog::selectEntry(const QNetworkAddressEntry &entry)
{
    const int row = entries.indexOf(entry);
    if (row >= 0)
        networkCombo->setCurrentIndex(row);
}

bool JXNetworkDialog::currentRow(int &row) const
{
    row = networkCombo->currentIndex();
    return row >= 0 && row < entries.size();
}

int JXNetworkDialog::selection(QNetworkInterface &iface, QNetworkAddressEntry &entry) const
{
    int row = -1;
    if (!currentRow(row))
        return -1;
    iface = interfaces.value(networkCombo->itemData(row).toInt());
    entry = entries.at(row);
    return 0;
}

void JXNetworkDialog::onClickOkButton(bool)
{
    QNetworkInterface iface;
    QNetworkAddressEntry entry;
    // An interface gone since the list was made is not stored; the caller still gets it.
    if (selection(iface, entry) == 0 && iface.isValid()) {
        JXConfigure configure;
        configure.setNetworkName(iface.humanReadableName());
        configure.setNetworkIp(entry.ip().toString());
    }
    accept();
}

void JXNetworkDialog::onComoBoxIndexChanged(int)
{}

void JXNetworkDialog::resizeEvent(QResizeEvent *event)
{
    JXDialog::resizeEvent(event);
    const int w = width();
    const int h = height();
    promptLabel->setGeometry(0, 0, w, kPromptHeight);
    networkCombo->setGeometry(kComboMargin, (h - kComboHeightAllowance) / 2 + kPromptHeight,
                              w - 2 * kComboMargin, kComboHeight);
    okButton->setGeometry((w - kButtonWidth) / 2, h - kButtonRise, kButtonWidth, kButtonHeight);
}
