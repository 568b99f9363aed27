#pragma once

#include <QMainWindow>
#include <QTimer>

class QModelIndex;
class QUrl;
class VeltoDeviceContentWidget;
class VeltoDeviceVideoView;
class VeltoDevicesWidget;
class WindowHeaderWidget;

// The program's only top-level window: the header strip, the device table, the preview of
// the selected device and the device panel, placed by hand on every resize. Brings the
// device protocol up on the stored network and runs the first search.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // The device web page for a device's "ip" text: http://<ip>/ for a plain dotted
    // unicast IPv4 address, an empty URL for anything else.
    static QUrl webPageUrl(const QString &ip);

protected:
    void focusInEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void connectTable();
    void connectHeader();
    void startProtocol();
    void layoutChildren();
    void focusPanel();

    void onCurrentCellChanged(int currentRow, int currentColumn, int previousRow,
                              int previousColumn);
    // Starts the preview of row unless it is the row already playing.
    void showStream(int row);
    void onDevicesUpdated();
    void onCellClicked(const QModelIndex &index);
    void onCellDoubleClicked(const QModelIndex &index);
    void onSelectNetwork();
    void onSearchDevices();
    void onSettings();
    void onPrinterSettings();
    void onScanCode();

    WindowHeaderWidget *header;        // child
    VeltoDeviceContentWidget *panel;   // child (a VeltoDeviceLanKitWidget); may be null
    VeltoDeviceVideoView *videoView;   // child
    VeltoDevicesWidget *devicesWidget; // child
    int lastRow = -1;                  // the row whose stream was started last
    // Single shot, GUI thread: runs while the keyboard walks the rows and starts the
    // stream of the row it rests on.
    QTimer restTimer;
};
