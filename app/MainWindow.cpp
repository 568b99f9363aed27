#include "app/MainWindow.h"

#include "JXUtils/JXConfigure.h"
#include "UI/CVTableWidget.h"
#include "UI/JXNetworkDialog.h"
#include "UI/JXSettingsDialog.h"
#include "UI/VeltoDeviceLanKitWidget.h"
#include "UI/VeltoDeviceVideoView.h"
#include "UI/VeltoDevicesWidget.h"
#include "UI/VeltoSearchDialog.h"
#include "Velto/VeltoNetwork.h"
#include "Velto/VeltoSDK.h"
#include "app/JXPrinterSettingsDialog.h"
#include "app/JXScanCodePrinterDialog.h"
#include "app/MediaButton.h"
#include "app/WindowHeaderWidget.h"

#include <QDebug>
#include <QDesktopServices>
#include <QModelIndex>
#include <QUrl>

namespace {
const int kHeaderMargin = 2;
const int kHeaderHeight = 26;
const int kTableWidth = 400;
const int kPanelHeight = 400;
const int kIpColumn = 3;
const int kFirstSearchColumn = 2;
} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent), header(new WindowHeaderWidget(this)),
      panel(new VeltoDeviceLanKitWidget(this)), videoView(new VeltoDeviceVideoView(this)),
      devicesWidget(new VeltoDevicesWidget(this))
{
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
    const VeltoDevice device = devicesWidget->deviceAt(currentRow);
    if (currentRow != lastRow && currentRow != -1) {
        lastRow = currentRow;
        videoView->stop();
        videoView->play(device.rtspPath());
    } else if (!videoView->isOpened() && !device.rtspPath().isEmpty()) {
        videoView->play(device.rtspPath());
    }
    if (panel)
        panel->setDevice(device);
}

void MainWindow::onCellClicked(const QModelIndex &)
{}

void MainWindow::onCellDoubleClicked(const QModelIndex &index)
{
    qDebug("index = %d, %d", index.row(), index.column());
    if (index.column() != kIpColumn || index.row() < 0)
        return;
    const QString ip = devicesWidget->deviceAt(index.row()).ip();
    if (!ip.isEmpty())
        QDesktopServices::openUrl(QUrl(QStringLiteral("http://%1").arg(ip)));
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
    videoView->stop();
    const int seconds = JXConfigure().searchSeconds();
    VeltoSearchDialog dialog;
    dialog.setSearchSeconds(seconds);
    dialog.start();
    if (dialog.exec() == QDialog::Accepted) {
        devicesWidget->setDevices(dialog.results());
        devicesWidget->setCurrentCell(0, kFirstSearchColumn);
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
