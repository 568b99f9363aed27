// Renders each common widget and dialog to <output>/<language>/<Class>.png, once in
// English and once in Chinese, on the offscreen platform.
//   lankit-widget-gallery [OUTPUT_DIR]   (default: <build>/gallery)
#include "JXUtils/JXAppPaths.h"
#include "JXUtils/JXConfigure.h"
#include "JXUtils/JXLanguageFile.h"
#include "JXUtils/JXLocalize.h"
#include "JXWidget/JXDialog/JXAlertDialog.h"
#include "JXWidget/JXDialog/JXDialog.h"
#include "JXWidget/JXDialog/JXProgressDialog.h"
#include "JXWidget/JXDialog/JXWaitDialog.h"
#include "JXWidget/JXLabel.h"
#include "JXWidget/JXPixmapButton.h"
#include "JXWidget/JXPixmapsButton.h"
#include "JXWidget/JXProgress.h"
#include "JXWidget/JXToast.h"
#include "JXWidget/JXWidget.h"
#include "UI/JXNetworkDialog.h"
#include "UI/JXSettingsDialog.h"
#include "UI/VeltoBatchMenu.h"
#include "UI/VeltoDeviceFirmwareSettingsDialog.h"
#include "UI/VeltoDeviceIPInfoDialog.h"
#include "UI/VeltoDeviceIpSettingsDialog.h"
#include "UI/VeltoDeviceLanKitWidget.h"
#include "UI/VeltoDeviceNameSettingsDialog.h"
#include "UI/VeltoDeviceRestoreSettingsDialog.h"
#include "UI/VeltoDevicesWidget.h"
#include "UI/VeltoSearchDialog.h"
#include "UI/VeltoUpgradeResultDialog.h"
#include "UI/VeltoUpgradeWaitDialog.h"
#include "app/JXPrinterSettingsDialog.h"
#include "app/JXScanCodePrinterDialog.h"
#include "app/OmbrixLabelPreviewWidget.h"
#include "resources/JXResources.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPixmap>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>
#include <functional>

namespace {

const QColor kWhite(255, 255, 255);
const QColor kBlack(0, 0, 0);
// The header buttons' colour under the mouse.
const QColor kHover(202, 211, 138);

// A plain background to arrange widgets on; owns them as children.
QWidget *board(const QSize &size, const QColor &color)
{
    auto *widget = new QWidget;
    widget->resize(size);
    widget->setAutoFillBackground(true);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, color);
    widget->setPalette(palette);
    return widget;
}

QWidget *drawWidgets()
{
    QWidget *area = board(QSize(340, 80), QColor(236, 239, 241));
    auto *plain = new JXWidget(area);
    plain->setGeometry(10, 10, 100, 60);
    plain->setBackgroundColor(kWhite);
    auto *rounded = new JXWidget(area);
    rounded->setGeometry(120, 10, 100, 60);
    rounded->setBackgroundColor(kWhite);
    rounded->setBorder(10, 2, QColor(55, 71, 79));
    auto *strip = new JXWidget(area);
    strip->setGeometry(230, 10, 100, 60);
    strip->setBackgroundColor(kHover);
    strip->setBorder(1, 0, kBlack);
    return area;
}

JXLabel *label(QWidget *parent, const QString &text, int alignment)
{
    auto *result = new JXLabel(parent);
    result->setText(translate(text));
    result->setTextColor(kBlack);
    result->setAlignment(alignment);
    return result;
}

QWidget *drawLabels()
{
    QWidget *area = board(QSize(360, 110), kWhite);
    JXLabel *centred = label(area, "Device Settings", Qt::AlignCenter);
    centred->setBackgroundColor(QColor(236, 239, 241));
    centred->setGeometry(10, 10, 340, 40);
    JXLabel *framed = label(area, "Firmware Version", Qt::AlignLeft | Qt::AlignVCenter);
    framed->setMargins(10, 5, 10, 5);
    framed->setBackgroundColor(QColor(236, 239, 241));
    framed->setBorder(5, 1, QColor(55, 71, 79));
    framed->adjustSize();
    framed->move(10, 60);
    JXLabel *right = label(area, "Searching devices", Qt::AlignRight | Qt::AlignVCenter);
    right->setGeometry(180, 60, 170, 40);
    return area;
}

// The main window's header strip: icon and caption per button, the second one hovered.
QWidget *drawPixmapButtons()
{
    const char *const buttons[][2] = {{"network", "Network"},
                                      {"search", "Search"},
                                      {"settings", "Settings"},
                                      {"printer", "Printer Settings"},
                                      {"print", "Scan Code"}};
    QWidget *area = board(QSize(620, 28), kWhite);
    int x = 3;
    for (int i = 0; i < 5; ++i) {
        auto *button = new JXWidget(area);
        button->setBackgroundColor(i == 1 ? kHover : kWhite);
        button->setBorder(1, 0, kWhite);
        auto *icon = new JXPixmapButton(button);
        icon->setPixmap(QStringLiteral(":/resources/%1.png").arg(buttons[i][0]), 20);
        icon->setGeometry(2, 2, 20, 20);
        JXLabel *caption = label(button, buttons[i][1], Qt::AlignCenter);
        const int width = caption->sizeHint().width() + 28;
        caption->setGeometry(24, 2, width - 28, 20);
        button->setGeometry(x, 2, width, 24);
        x += width + 3;
    }
    return area;
}

// The preview's control bar: play / pause and sound on / muted, with the elapsed time.
QWidget *drawPixmapsButtons()
{
    QWidget *area = board(QSize(300, 30), kBlack);
    const char *const images[][2] = {{"play", "pause"}, {"audio", "audio_mute"}};
    int x = 10;
    for (const auto &pair : images) {
        for (int state = 0; state < 2; ++state) {
            auto *button = new JXPixmapsButton(area);
            button->setPixmaps(QStringLiteral(":/resources/%1.png").arg(pair[0]),
                               QStringLiteral(":/resources/%1.png").arg(pair[1]), 20);
            button->setState(state);
            button->setGeometry(x, 5, 20, 20);
            x += 30;
        }
    }
    auto *time = new JXLabel(area);
    time->setText(QStringLiteral("01:02:05"));
    time->setTextColor(kWhite);
    time->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    time->setGeometry(200, 5, 80, 20);
    return area;
}

JXProgress *spinner(QWidget *parent, const QRect &geometry, short progress)
{
    auto *result = new JXProgress(parent);
    result->setGeometry(geometry);
    result->setDisplayedWhenStopped(true);
    result->onProgress(progress);
    return result;
}

QWidget *drawProgress()
{
    QWidget *area = board(QSize(200, 80), kBlack);
    spinner(area, QRect(10, 25, 30, 30), 0);
    spinner(area, QRect(60, 10, 60, 60), 0);
    spinner(area, QRect(130, 10, 60, 60), 50)->setColor(QColor(202, 211, 138));
    return area;
}

QWidget *drawToast()
{
    QWidget *area = board(QSize(420, 160), kWhite);
    auto *toast = new JXToast(area);
    toast->setGeometry(10, 10, 400, 140);
    toast->setBackgroundColor(QColor(236, 239, 241));
    toast->showToast(translate("Please Input Name"), Qt::AlignHCenter | Qt::AlignBottom, 5, 5);
    return area;
}

QWidget *drawDialog()
{
    auto *dialog = new JXDialog;
    dialog->resize(400, 200);
    dialog->radius = 8;
    dialog->borderWidth = 1;
    dialog->borderColor = QColor(55, 71, 79);
    dialog->backgroundColor = kWhite;
    dialog->showToast(translate("Please input valid ip address"),
                      Qt::AlignHCenter | Qt::AlignBottom, 5, 5);
    return dialog;
}

QWidget *drawAlertDialog()
{
    auto *dialog = new JXAlertDialog;
    dialog->setContent(translate("Restore Device"), translate("Ok"), translate("Cancel"));
    return dialog;
}

// A button text far wider than the buttons' minimum width.
QWidget *drawAlertDialogLongButton()
{
    auto *dialog = new JXAlertDialog;
    dialog->setContent(translate("Restore Device"), QStringLiteral("Restore factory settings"),
                       translate("Cancel"));
    return dialog;
}

QWidget *drawWaitDialog()
{
    auto *dialog = new JXWaitDialog;
    dialog->resize(300, 60);
    return dialog;
}

QWidget *drawProgressDialog()
{
    auto *dialog = new JXProgressDialog;
    dialog->setMessage(translate("Searching devices"));
    return dialog;
}

// A camera as its search reply describes it.
VeltoDevice galleryDevice(const QString &mode)
{
    VeltoDevice device;
    device.fromJson({{"mac", "02:56:4C:00:00:01"},
                     {"ip", "192.168.1.108"},
                     {"IpMode", mode},
                     {"name", "Hall camera"},
                     {"netmask", "255.255.255.0"},
                     {"gateway", "192.168.1.1"},
                     {"dns1", "192.168.1.1"},
                     {"dns2", "8.8.8.8"},
                     {"appVersion", "V2.1.7.240315"}});
    return device;
}

QWidget *drawDevicePanel()
{
    auto *panel = new VeltoDeviceLanKitWidget;
    panel->resize(450, 200);
    panel->setBackgroundColor(kWhite);
    panel->setDevice(galleryDevice("static"));
    return panel;
}

QWidget *drawEmptyDevicePanel()
{
    auto *panel = new VeltoDeviceLanKitWidget;
    panel->resize(450, 200);
    panel->setBackgroundColor(kWhite);
    panel->showToast(translate("Please Input Name"), Qt::AlignHCenter | Qt::AlignBottom, 5, 5);
    return panel;
}

QWidget *drawIpInfoDialog()
{
    auto *dialog = new VeltoDeviceIPInfoDialog;
    dialog->setDevice(galleryDevice("static"), nullptr);
    dialog->showToast(translate("Please input valid netmask"), Qt::AlignHCenter | Qt::AlignBottom,
                      5, 5);
    return dialog;
}

QWidget *drawIpInfoDialogDhcp()
{
    auto *dialog = new VeltoDeviceIPInfoDialog;
    dialog->setDevice(galleryDevice("dhcp"), nullptr);
    return dialog;
}

// The name, IP and restore dialogs show the busy bar while their one message is out.
template <typename Dialog>
QWidget *drawSettingsDialog()
{
    return new Dialog;
}

QWidget *drawFirmwareDialog()
{
    auto *dialog = new VeltoDeviceFirmwareSettingsDialog;
    emit dialog->_uploadProgress(3584 * 1024, 9216 * 1024);
    return dialog;
}

// The device table after a search, the second camera ticked.
QWidget *drawDevicesWidget()
{
    QVector<VeltoDevice> devices;
    for (int i = 1; i <= 6; ++i) {
        VeltoDevice device;
        device.setMac(QStringLiteral("02:56:4C:00:00:%1").arg(i, 2, 10, QLatin1Char('0')));
        device.setIp(QStringLiteral("192.168.77.%1").arg(100 + i));
        device.ticked = i == 2;
        devices.append(device);
    }
    auto *table = new VeltoDevicesWidget;
    table->resize(400, 220);
    table->setDevices(devices);
    table->setCurrentCell(2, 2);
    return table;
}

QWidget *drawSearchDialog()
{
    return new VeltoSearchDialog;
}

QWidget *drawNetworkDialog()
{
    auto *dialog = new JXNetworkDialog;
    dialog->setInterfaces(QNetworkInterface::allInterfaces());
    return dialog;
}

// The settings dialog reads its choices from the configuration: a private one that
// matches the language being drawn, so that opening the dialog switches nothing.
QWidget *drawAppSettingsDialog()
{
    static QTemporaryDir configuration;
    JXAppPaths::setApplicationDirForTesting(configuration.path());
    {
        JXConfigure configure;
        configure.setLanguage(JXLocalize::currentLanguage().left(2));
        configure.setHardwareDecoding(true);
    }
    auto *dialog = new JXSettingsDialog;
    JXAppPaths::setApplicationDirForTesting(QString());
    return dialog;
}

void fill(QWidget *dialog, const char *field, const QString &text)
{
    if (auto *edit = dialog->findChild<QLineEdit *>(QString::fromLatin1(field)))
        edit->setText(text);
}

// The printer settings with a label printer and a 45 x 45 mm label filled in.
QWidget *drawPrinterSettingsDialog()
{
    auto *dialog = new JXPrinterSettingsDialog;
    auto *printers = dialog->findChild<QComboBox *>(QStringLiteral("printer"));
    printers->clear();
    printers->addItems({QStringLiteral("OMBRIX_K7300"), QStringLiteral("Office")});
    const char *const values[][2] = {
        {"width", "45"},        {"height", "45"},      {"column", "1"},    {"padding", "2"},
        {"paddingLeft", "1.5"}, {"paddingRight", "0"}, {"paddingTop", "0"}};
    for (const auto &value : values)
        fill(dialog, value[0], QString::fromLatin1(value[1]));
    dialog->resize(470, 230);
    return dialog;
}

// The scan screen after a refused scan, with its message.
QWidget *drawScanCodePrinterDialog()
{
    // Its label record goes to a private folder, not beside the gallery.
    static QTemporaryDir data;
    JXAppPaths::setApplicationDirForTesting(data.path());
    auto *dialog = new JXScanCodePrinterDialog;
    JXAppPaths::setApplicationDirForTesting(QString());
    fill(dialog, "model", QStringLiteral("KT4X-Q2"));
    fill(dialog, "serial", QStringLiteral("SN-00042"));
    fill(dialog, "paddingLeft", QStringLiteral("1.5"));
    fill(dialog, "paddingTop", QStringLiteral("0"));
    fill(dialog, "scan", QStringLiteral("XX1234HXKT4R00\"A1B2"));
    dialog->resize(840, 360);
    dialog->showToast(translate("Scan holds unprintable characters"),
                      Qt::AlignHCenter | Qt::AlignBottom, 5, 5);
    return dialog;
}

// The scan screen after a label was sent: its panel shows the label's QR code.
QWidget *drawScanCodePrinterDialogWithLabel()
{
    static QTemporaryDir data;
    JXAppPaths::setApplicationDirForTesting(data.path());
    auto *dialog = new JXScanCodePrinterDialog;
    JXAppPaths::setApplicationDirForTesting(QString());
    fill(dialog, "model", QStringLiteral("KT4X-Q2"));
    fill(dialog, "serial", QStringLiteral("SN-00043"));
    fill(dialog, "scan", QStringLiteral("HXKT4R00A1B2"));
    dialog->findChild<OmbrixLabelPreviewWidget *>(QStringLiteral("labelPreview"))
        ->showJob("N\r\nq529\r\nQ529,2\r\nb71,211,QR,1,2,o0,r5,m2,g1,s8,\"HXKT4R00A1B2\"\r\n"
                  "W1,1\r\n");
    dialog->resize(840, 360);
    return dialog;
}

// The reprint question as the scan screen asks it.
QWidget *drawReprintQuestion()
{
    auto *alert = new JXAlertDialog;
    alert->setContent(
        translate("This code was printed before") +
            QStringLiteral("\n%1: SN-00041\n2026-12-08 09:30:05").arg(translate("Product SN")),
        translate("Print again"), translate("Do not print"));
    alert->makeCancelDefault();
    return alert;
}

// The device table's right-click menu with a device ticked.
QWidget *drawBatchMenu()
{
    VeltoDevicesWidget table;
    VeltoDevice device;
    device.setMac(QStringLiteral("02:56:4C:00:00:01"));
    device.ticked = true;
    table.setDevices({device});
    auto *batch = table.findChild<VeltoBatchMenu *>();
    QMenu *menu = batch->createMenu();
    menu->setParent(nullptr);
    menu->adjustSize();
    return menu;
}

QWidget *drawUpgradeResultDialog()
{
    QVector<VeltoDevice> before, after;
    const char *const versions[] = {"V2.1.8.261208", "V2.1.7.240315", "", ""};
    for (int i = 0; i < 4; ++i) {
        VeltoDevice device = galleryDevice("dhcp");
        device.setMac(QStringLiteral("02:56:4C:00:00:0%1").arg(i + 1));
        before.append(device);
        device.setValue(QStringLiteral("appVersion"), QString::fromLatin1(versions[i]));
        after.append(i == 2 ? VeltoDevice() : device);
    }
    auto *dialog = new VeltoUpgradeResultDialog;
    dialog->setResults(before, after, {0, 0, 0, -3});
    dialog->resize(560, 300);
    return dialog;
}

QWidget *drawUpgradeWaitDialog()
{
    auto *dialog = new VeltoUpgradeWaitDialog;
    dialog->setMessage(translate("Waiting for the upgraded devices") + QStringLiteral(" 5/8"));
    return dialog;
}

// Every entry of the loaded language file, one per line, to check the translations by eye.
QWidget *drawTexts()
{
    QFile file(QDir(JXLocalize::languageDir()).filePath(JXLocalize::currentLanguage()));
    QStringList lines;
    if (file.open(QIODevice::ReadOnly)) {
        const QMap<QString, QString> dictionary = JXLanguageFile::read(file);
        for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it)
            lines << it.key() + QStringLiteral("  \u2192  ") + it.value();
    }
    auto *text = new QLabel(lines.join('\n'));
    text->setMargin(10);
    text->setAutoFillBackground(true);
    text->resize(text->sizeHint()); // adjustSize() would keep a window within the screen
    return text;
}

bool save(QWidget *widget, const QString &path)
{
    const bool saved = widget->grab().save(path, "PNG");
    delete widget;
    if (!saved)
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return saved;
}

int renderLanguage(const QString &language, const QDir &out)
{
    JXLocalize::changeLanguage(language);
    const QString dir = out.filePath(language);
    QDir().mkpath(dir);
    const std::pair<const char *, std::function<QWidget *()>> pictures[] = {
        {"JXWidget", drawWidgets},
        {"JXLabel", drawLabels},
        {"JXPixmapButton", drawPixmapButtons},
        {"JXPixmapsButton", drawPixmapsButtons},
        {"JXProgress", drawProgress},
        {"JXToast", drawToast},
        {"JXDialog", drawDialog},
        {"JXAlertDialog", drawAlertDialog},
        {"JXAlertDialog-long-button", drawAlertDialogLongButton},
        {"JXWaitDialog", drawWaitDialog},
        {"JXProgressDialog", drawProgressDialog},
        {"VeltoDeviceLanKitWidget", drawDevicePanel},
        {"VeltoDeviceLanKitWidget-empty", drawEmptyDevicePanel},
        {"VeltoDeviceIPInfoDialog", drawIpInfoDialog},
        {"VeltoDeviceIPInfoDialog-dhcp", drawIpInfoDialogDhcp},
        {"VeltoDeviceIpSettingsDialog", drawSettingsDialog<VeltoDeviceIpSettingsDialog>},
        {"VeltoDeviceNameSettingsDialog", drawSettingsDialog<VeltoDeviceNameSettingsDialog>},
        {"VeltoDeviceRestoreSettingsDialog", drawSettingsDialog<VeltoDeviceRestoreSettingsDialog>},
        {"VeltoDeviceFirmwareSettingsDialog", drawFirmwareDialog},
        {"VeltoDevicesWidget", drawDevicesWidget},
        {"VeltoSearchDialog", drawSearchDialog},
        {"JXNetworkDialog", drawNetworkDialog},
        {"JXSettingsDialog", drawAppSettingsDialog},
        {"JXPrinterSettingsDialog", drawPrinterSettingsDialog},
        {"JXScanCodePrinterDialog", drawScanCodePrinterDialog},
        {"JXScanCodePrinterDialog-reprint", drawReprintQuestion},
        {"JXScanCodePrinterDialog-label", drawScanCodePrinterDialogWithLabel},
        {"VeltoBatchMenu", drawBatchMenu},
        {"VeltoUpgradeWaitDialog", drawUpgradeWaitDialog},
        {"VeltoUpgradeResultDialog", drawUpgradeResultDialog},
        {"texts", drawTexts},
    };
    int failures = 0;
    for (const auto &picture : pictures) {
        const QString path = QDir(dir).filePath(QString::fromLatin1(picture.first) + ".png");
        failures += save(picture.second(), path) ? 0 : 1;
    }
    return failures;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::printf("usage: lankit-widget-gallery [OUTPUT_DIR]\n"
                    "Renders every common widget and dialog, in English and Chinese, to\n"
                    "OUTPUT_DIR/en/ and OUTPUT_DIR/cn/ (default: the build's gallery/).\n");
        return 0;
    }
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("lankit-widget-gallery %s\n", LANKIT_VERSION);
        return 0;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    JXResources::init();
    if (QFontDatabase().families(QFontDatabase::SimplifiedChinese).isEmpty()) {
        std::fprintf(stderr, "no Chinese font: the Chinese pictures would show boxes\n");
        return 1;
    }
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1])
                            : QCoreApplication::applicationDirPath() + "/../gallery");
    JXLocalize::setLanguageDir(JXAppPaths::languageDir());
    const int failures = renderLanguage("en", out) + renderLanguage("cn", out);
    std::printf("%s\n", qPrintable(QDir::cleanPath(out.absolutePath())));
    return failures == 0 ? 0 : 1;
}
