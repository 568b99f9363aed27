#pragma once

#include "JXWidget/JXDialog/JXDialog.h"

#include <QList>
#include <QNetworkAddressEntry>
#include <QNetworkInterface>

class QComboBox;
class QLabel;
class QPushButton;

// Lets the operator choose the interface and IPv4 address the device protocol runs on,
// one row per IPv4 address. OK stores the choice as "network name" and "network ip".
// Use: construct, setInterfaces(), selectEntry(), exec(); when accepted, selection().
class JXNetworkDialog : public JXDialog
{
    Q_OBJECT

public:
    explicit JXNetworkDialog(QWidget *parent = nullptr);

    void setInterfaces(const QList<QNetworkInterface> &list);
    // Makes the first row holding entry current; leaves the current row otherwise.
    void selectEntry(const QNetworkAddressEntry &entry);
    // 0 with the current row's interface and entry, or -1 (both untouched) without one.
    int selection(QNetworkInterface &iface, QNetworkAddressEntry &entry) const;

    QComboBox *comboBox() const { return networkCombo; }
    QPushButton *button() const { return okButton; }

public slots:
    void onClickOkButton(bool checked);
    void onComoBoxIndexChanged(int index);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    bool currentRow(int &row) const;

    QLabel *promptLabel;                 // child
    QComboBox *networkCombo;             // child; item data: index into interfaces
    QPushButton *okButton;               // child
    QList<QNetworkInterface> interfaces; // the list the rows were made from
    QList<QNetworkAddressEntry> entries; // one per row, in row order
};
