#include "UI/JXNetworkDialog.h"

#include "JXUtils/JXConfigure.h"
#include "JXUtils/JXLocalize.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

JXNetworkDialog::JXNetworkDialog(QWidget *parent)
    : JXDialog(parent), promptLabel(new QLabel(this)), networkCombo(new QComboBox(this)),
      okButton(new QPushButton(this))
{
    resize(500, 200);
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
    promptLabel->setGeometry(0, 0, w, 40);
    networkCombo->setGeometry(10, (h - 160) / 2 + 40, w - 20, 30);
    okButton->setGeometry((w - 60) / 2, h - 60, 60, 40);
}
