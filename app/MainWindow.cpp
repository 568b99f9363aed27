#include "app/MainWindow.h"

#include "JXUtils/JXConfigure.h"
#include "UI/CVTableWidget.h"
#include "UI/JXNetworkDialog.h"
#include "UI/JXSettingsDialog.h"
#include "UI/VeltoDeviceLanKitWidget.h"
#include "UI/VeltoDeviceVideoView.h"
#include "UI/VeltoDevicesWidget.h"
#include "UI/VeltoSearchDialog.h"
#include "Velto/VeltoDatagram.h"
#include "Velto/VeltoNetwork.h"
#include "Velto/VeltoSDK.h"
#include "app/JXPrinterSettingsDialog.h"
#include "app/JXScanCodePrinterDialog.h"
#include "app/MediaButton.h"
#include "app/WindowHeaderWidget.h"

#include <QDebug>
#include <QDesktopServices>
#include <QHostAddress>
#include <QModelIndex>
#include <QRegularExpression>
#include <QUrl>

namespace {
const int kHeaderMargin = 2;
const int kHeaderHeight = 26;
const int kTableWidth = 400;
const int kPanelHeight = 400;
const int kIpColumn = 3;
const int kFirstSearchColumn = 2;
// How long the keyboard stays on a row before its stream starts. Each start opens a
// connection to a camera and a decoder; arrow keys held down pass rows faster than that,
// and an operator reading a row rests longer.
const int kKeyboardRestMs = 300;
// A refused device address is cut to this many characters in the log.
const int kLoggedIpLength = 64;
const char kUnreachableNotice[] = "The network is unreachable: the list is from the last search";
} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent), header(new WindowHeaderWidget(this)),
      panel(new VeltoDeviceLanKitWidget(this)), videoView(new VeltoDeviceVideoView(this)),
      devicesWidget(new VeltoDevicesWidget(this))
{
    restTimer.setSingleShot(true);
    restTimer.setInterval(kKeyboardRestMs);
    connect(&restTimer, &QTimer::timeout, this,
            [this] { showStream(devicesWidget->tableWidget()->currentRow()); });
    setMinimumSize(800, 500);
    showMaximized();
    connectTable();
    connectHeader();
    startProtocol();

    panel->setDevice(VeltoDevice());
    panel->setDevicesWidget(devicesWidget);
    panel->setVisible(true);
    focusPanel();
    onSearchDevices();
}

MainWindow::~MainWindow()
{
    videoView->stop();
    if (VeltoSDK *sdk = VeltoSDK::instance())
        sdk->stopThreads();
}

void MainWindow::connectTable()
{
    CVTableWidget *table = devicesWidget->tableWidget();
    connect(table, &CVTableWidget::currentCellChanged, this, &MainWindow::onCurrentCellChanged);
    connect(table, &CVTableWidget::clicked, this, &MainWindow::onCellClicked);
    connect(table, &CVTableWidget::doubleClicked, this, &MainWindow::onCellDoubleClicked);
    connect(devicesWidget, &VeltoDevicesWidget::devicesUpdated, this,
            &MainWindow::onDevicesUpdated);
}

void MainWindow::connectHeader()
{
    using B = WindowHeaderWidget;
    connect(header->button(B::Network), &MediaButton::clicked, this, &MainWindow::onSelectNetwork);
    connect(header->button(B::Search), &MediaButton::clicked, this, &MainWindow::onSearchDevices);
    connect(header->button(B::Settings), &MediaButton::clicked, this, &MainWindow::onSettings);
    connect(header->button(B::PrinterSettings), &MediaButton::clicked, this,
            &MainWindow::onPrinterSettings);
    connect(header->button(B::ScanCode), &MediaButton::clicked, this, &MainWindow::onScanCode);
}

void MainWindow::startProtocol()
{
    JXConfigure configure;
    QNetworkInterface iface;
    QNetworkAddressEntry entry;
    chooseInterface(usableInterfaces(), configure.networkName(), configure.networkIp(), iface,
                    entry);
    if (VeltoSDK *sdk = VeltoSDK::instance())
        sdk->start(iface, entry);
}

void MainWindow::focusPanel()
{
    if (panel)
        panel->setFocus(Qt::OtherFocusReason);
}

void MainWindow::focusInEvent(QFocusEvent *event)
{
    QMainWindow::focusInEvent(event);
    focusPanel();
}

void MainWindow::keyPressEvent(QKeyEvent *event)
{
    QMainWindow::keyPressEvent(event);
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    layoutChildren();
}

void MainWindow::layoutChildren()
{
    const int w = width();
    const int h = height();
    header->setGeometry(kHeaderMargin, kHeaderMargin, w - 2 * kHeaderMargin, kHeaderHeight);
    const int top = header->geometry().bottom();
    const int upperHeight = (h - kPanelHeight) - top;
    devicesWidget->setGeometry(w - kTableWidth, top, kTableWidth, upperHeight);
    videoView->setGeometry(0, top, devicesWidget->x(), upperHeight);
    if (panel)
        panel->setGeometry(0, videoView->geometry().bottom(), w, kPanelHeight);
}

void MainWindow::onCurrentCellChanged(int currentRow, int currentColumn, int previousRow,
                                      int previousColumn)
{
    if (currentRow == previousRow && currentColumn == previousColumn)
        return;
    // The keyboard passes rows on its way to one; a click or a new search names the row
    // the operator wants, so its stream starts at once. The panel only shows a record and
    // follows every row.
    if (devicesWidget->tableWidget()->movingByKey()) {
        restTimer.start();
    } else {
        restTimer.stop();
        showStream(currentRow);
    }
    if (panel)
        panel->setDevice(devicesWidget->deviceAt(currentRow));
}

void MainWindow::showStream(int row)
{
    const QString address = devicesWidget->deviceAt(row).rtspPath();
    if (row != lastRow && row != -1) {
        lastRow = row;
        videoView->stop();
        videoView->play(address);
    } else if (!videoView->isOpened() && !address.isEmpty()) {
        videoView->play(address);
    }
}

// A dialog changed records in the table: the panel shows and acts on the selected
// device's record as it is now, and a changed stream address is played.
void MainWindow::onDevicesUpdated()
{
    const int row = devicesWidget->tableWidget()->currentRow();
    if (row < 0)
        return;
    const VeltoDevice device = devicesWidget->deviceAt(row);
    if (panel)
        panel->setDevice(device);
    // A row the keyboard has just reached gets its stream when the keyboard rests.
    if (!restTimer.isActive() && device.rtspPath() != videoView->address())
        videoView->play(device.rtspPath());
}

void MainWindow::onCellClicked(const QModelIndex &)
{}

QUrl MainWindow::webPageUrl(const QString &ip)
{
    // Four decimal parts without leading zeros, which some parsers read as octal.
    static const QRegularExpression dotted(
        QStringLiteral("^(0|[1-9][0-9]{0,2})\\.(0|[1-9][0-9]{0,2})\\.(0|[1-9][0-9]{0,2})\\."
                       "(0|[1-9][0-9]{0,2})$"));
    const QRegularExpressionMatch match = dotted.match(ip);
    if (!match.hasMatch())
        return QUrl();
    for (int part = 1; part <= 4; ++part) {
        if (match.captured(part).toInt() > 255)
            return QUrl();
    }
    // Unicast on the network: not this host, "this network", multicast or the reserved
    // and broadcast range above it.
    const QHostAddress address(ip);
    const quint32 first = address.toIPv4Address() >> 24;
    if (address.isLoopback() || first == 0 || first >= 224)
        return QUrl();
    return QUrl(QStringLiteral("http://%1/").arg(ip));
}

void MainWindow::onCellDoubleClicked(const QModelIndex &index)
{
    qDebug("index = %d, %d", index.row(), index.column());
    if (index.column() != kIpColumn || index.row() < 0)
        return;
    const QString ip = devicesWidget->deviceAt(index.row()).ip();
    if (ip.isEmpty())
        return;
    const QUrl page = webPageUrl(ip);
    if (page.isEmpty()) {
        qDebug("not a device address, no web page opened: \"%s\"",
               VeltoDatagram::loggable(ip.left(kLoggedIpLength).toUtf8()).constData());
        return;
    }
    QDesktopServices::openUrl(page);
}

void MainWindow::onSelectNetwork()
{
    JXNetworkDialog dialog;
    dialog.setInterfaces(usableInterfaces());
    QNetworkInterface iface;
    QNetworkAddressEntry entry;
    VeltoSDK *sdk = VeltoSDK::instance();
    if (sdk)
        sdk->currentNetwork(iface, entry);
    dialog.selectEntry(entry);
    if (dialog.exec() != QDialog::Accepted)
        return;
    dialog.selection(iface, entry);
    sdk = VeltoSDK::instance();
    if (!sdk)
        return;
    sdk->stopThreads();
    sdk->start(iface, entry);
    onSearchDevices();
}

void MainWindow::onSearchDevices()
{
    restTimer.stop();
    videoView->stop();
    const int seconds = JXConfigure().searchSeconds();
    VeltoSearchDialog dialog;
    dialog.setSearchSeconds(seconds);
    dialog.start();
    if (dialog.exec() == QDialog::Accepted) {
        // An unreachable network would answer with an empty list: the last one is kept, and
        // the header says why it did not change.
        if (!dialog.reachedNetwork()) {
            header->setNotice(QString::fromLatin1(kUnreachableNotice));
        } else {
            header->setNotice(QString());
            devicesWidget->setDevices(dialog.results());
            devicesWidget->setCurrentCell(0, kFirstSearchColumn);
        }
    }
    focusPanel();
}

void MainWindow::onSettings()
{
    JXSettingsDialog dialog;
    dialog.exec();
}

void MainWindow::onPrinterSettings()
{
    JXPrinterSettingsDialog dialog;
    dialog.exec();
}

void MainWindow::onScanCode()
{
    JXScanCodePrinterDialog dialog;
    dialog.exec();
}
