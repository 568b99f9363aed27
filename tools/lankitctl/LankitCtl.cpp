#include "LankitCtl.h"

#include "JXUtils/JXConfigure.h"
#include "Velto/VeltoNetwork.h"
#include "Velto/VeltoSDK.h"
#include "Velto/VeltoSettingsCheck.h"
#include "Velto/VeltoUpgradeVerdict.h"
#include "app/OmbrixLabelLog.h"
#include "app/OmbrixLabelRegister.h"
#include "app/OmbrixPrinter.h"
#include "app/OmbrixScanText.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {
const char kDescription[] =
    "Finds and configures Velto cameras on the local network, as lankit does, for scripts.\n"
    "\n"
    "Commands (devices are named by MAC address, letter case ignored):\n"
    "  search                    list the devices answering within --seconds, as a JSON\n"
    "                            array of their reply fields, sorted by MAC\n"
    "  set-ip MAC                static address: --address, --netmask, --gateway, and\n"
    "                            optionally --dns1, --dns2; a gateway outside the\n"
    "                            subnet only with --force\n"
    "  set-dhcp MAC...           let the devices take their address by DHCP\n"
    "  set-name MAC... --name N  rename the devices\n"
    "  reset MAC...              restore factory settings, network settings included\n"
    "  print-label --code CODE --model MODEL [--serial SN | --prefix P] [--printer QUEUE]\n"
    "              [--reprint]   print one device label as the scan screen does (CODE as\n"
    "                            scanned), record it in the label register and print the\n"
    "                            serial number used and the next one. Without --serial the\n"
    "                            register gives the next number for P (default SN-); a\n"
    "                            database register refuses --serial. QUEUE defaults to\n"
    "                            lankit's printer. With\n"
    "                            lankit's reprint question on (the default), a code\n"
    "                            printed before is refused (exit status 4) unless\n"
    "                            --reprint is given, and nothing is printed while the\n"
    "                            record cannot be written. Exit status 0 printed and\n"
    "                            recorded, 1 not printed, 3 printed but not recorded (do\n"
    "                            not print it again), 4 printed before\n"
    "  upgrade MAC... --file PATH [--verify SECONDS]\n"
    "                            upload a firmware file to each device's web server, one\n"
    "                            after another; with --verify, search every 5 s for up to\n"
    "                            SECONDS until each has answered again, and give each a\n"
    "                            verdict: upgraded, same version, did not come back or\n"
    "                            upload failed (exit status 0 only when all are upgraded)\n"
    "  labels export [--since TIME] [--station NAME]\n"
    "                            write the label register as CSV (labels.csv's columns) on\n"
    "                            standard output: labels from TIME (ISO 8601) of NAME\n"
    "  labels import FILE        load a labels.csv into the database register; lines\n"
    "                            imported before are not added again\n"
    "\n"
    "Every command except search first searches for --seconds to find its devices. The\n"
    "network is the one lankit is configured for (configure/configure.ini beside the\n"
    "program), chosen the same way; --interface and --ip choose another.\n"
    "\n"
    "What lankit refuses to send, lankitctl refuses too, before sending anything: a name\n"
    "over %1 bytes of UTF-8 or with control characters, an invalid address, a netmask with\n"
    "gaps, a DNS server that is not an address, the address of another listed device, an\n"
    "empty firmware file.\n"
    "\n"
    "Standard output: one JSON document. Exit status: 0 success, 1 a device failed, did not\n"
    "answer or was not found, 2 wrong usage or a refused setting. Setting commands wait 3 s for "
    "the reply; an\n"
    "upgrade fails when no request byte goes out for --stall-seconds, or when the device's\n"
    "whole answer takes longer than that after the last one.";

const QStringList kCommands = {QStringLiteral("search"),      QStringLiteral("set-ip"),
                               QStringLiteral("set-dhcp"),    QStringLiteral("set-name"),
                               QStringLiteral("reset"),       QStringLiteral("upgrade"),
                               QStringLiteral("print-label"), QStringLiteral("labels")};

QCommandLineOption option(const char *name, const char *help, const char *valueName = nullptr)
{
    if (!valueName)
        return QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(help));
    return QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(help),
                              QString::fromLatin1(valueName));
}

void print(const QJsonDocument &document)
{
    const QByteArray text = document.toJson(QJsonDocument::Indented);
    std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
    std::fflush(stdout);
}

QJsonObject toJson(const VeltoDevice &device)
{
    QJsonObject object;
    const QMap<QString, QString> &values = device.allValues();
    for (auto it = values.constBegin(); it != values.constEnd(); ++it)
        object.insert(it.key(), it.value());
    return object;
}

QJsonArray macsOf(const QVector<VeltoDevice> &devices)
{
    QJsonArray list;
    for (const VeltoDevice &device : devices)
        list.append(device.mac());
    return list;
}

// Bounds of --stall-seconds.
const double kMinStallSeconds = 0.1;
const double kMaxStallSeconds = 3600;

void showProgress(qint64 sent, qint64 total)
{
    std::fprintf(stderr, "upload %lld/%lld\n", static_cast<long long>(sent),
                 static_cast<long long>(total));
}
} // namespace

LankitCtl::LankitCtl()
{
    parser.setApplicationDescription(
        QString::fromLatin1(kDescription).arg(VeltoSettingsCheck::kMaxNameBytes));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("One of: ") + kCommands.join(QStringLiteral(", ")));
    parser.addPositionalArgument(QStringLiteral("mac"), QStringLiteral("Device MAC addresses."),
                                 QStringLiteral("[MAC...]"));
    parser.addOptions({
        option("interface", "Network interface to use (as lankit's network choice).", "name"),
        option("ip", "IPv4 address to use on it, or to find the interface by.", "address"),
        option("seconds", "Search time in seconds (default: lankit's \"search seconds\").", "n"),
        option("address", "set-ip: the new address.", "ip"),
        option("netmask", "set-ip: the new netmask.", "mask"),
        option("gateway", "set-ip: the new gateway.", "ip"),
        option("dns1", "set-ip: the first DNS server (may be empty).", "ip"),
        option("dns2", "set-ip: the second DNS server (may be empty).", "ip"),
        option("force", "set-ip: accept a gateway outside the address's subnet."),
        option("name", "set-name: the new name.", "name"),
        option("file", "upgrade: the firmware file (a regular file).", "path"),
        option("stall-seconds", "upgrade: the no-progress limit in seconds (default 30).", "n"),
        option("verify", "upgrade: seconds to wait for the devices to answer again.", "seconds"),
        option("code", "print-label: the scanned code.", "code"),
        option("model", "print-label: the product model.", "model"),
        option("serial", "print-label: the serial number of this label.", "sn"),
        option("printer", "print-label: the printer queue (default: lankit's printer).", "queue"),
        option("reprint", "print-label: print a code printed before again, on purpose."),
        option("prefix", "print-label: the serial number's prefix (default SN-).", "prefix"),
        option("since", "labels export: labels from this time on (ISO 8601).", "time"),
        option("station", "labels export: this station's labels only.", "name"),
        option("verbose", "Protocol log and upload progress on standard error."),
    });
}

int LankitCtl::run(const QStringList &arguments)
{
    if (!parser.parse(arguments))
        return usage(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qUtf8Printable(parser.helpText()), stdout);
        return kOk;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("lankitctl %s\n", LANKIT_VERSION);
        return kOk;
    }
    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty() || !kCommands.contains(positional.first()))
        return usage(QStringLiteral("a command is required: ") +
                     kCommands.join(QStringLiteral(", ")));
    command = positional.takeFirst();
    macs = positional;
    if (command == QLatin1String("print-label"))
        return printLabel();
    if (command == QLatin1String("labels"))
        return labels();
    if (command != QLatin1String("search") && macs.isEmpty())
        return usage(command + QStringLiteral(" needs at least one MAC"));
    if (command == QLatin1String("set-ip") && macs.size() != 1)
        return usage(command + QStringLiteral(" takes exactly one MAC"));
    if (!readSearchSeconds())
        return usage(QStringLiteral("--seconds takes a number of seconds above 0, at most %1")
                         .arg(kMaxSearchSeconds));
    if (!startProtocol())
        return finish({{QStringLiteral("error"), QStringLiteral("no usable network interface")}},
                      kFailed);
    if (command == QLatin1String("search"))
        return search();
    if (command == QLatin1String("set-ip"))
        return setIp();
    if (command == QLatin1String("set-dhcp"))
        return setDhcp();
    if (command == QLatin1String("set-name"))
        return setName();
    if (command == QLatin1String("reset"))
        return reset();
    return upgrade();
}

// The same choice the main window makes, with the command line taking the place of the
// stored name and address where given.
bool LankitCtl::startProtocol()
{
    JXConfigure configure;
    const QString name = parser.isSet(QStringLiteral("interface"))
                             ? parser.value(QStringLiteral("interface"))
                             : configure.networkName();
    const QString ip = parser.isSet(QStringLiteral("ip")) ? parser.value(QStringLiteral("ip"))
                                                          : configure.networkIp();
    QNetworkInterface iface;
    QNetworkAddressEntry entry;
    chooseInterface(usableInterfaces(), name, ip, iface, entry);
    if (!iface.isValid())
        return false;
    qDebug("network %s %s", qUtf8Printable(iface.humanReadableName()),
           qUtf8Printable(entry.ip().toString()));
    VeltoSDK::instance()->start(iface, entry);
    return true;
}

// "nan" and "inf" parse as numbers, and a search of either would never end.
bool LankitCtl::readSearchSeconds()
{
    if (!parser.isSet(QStringLiteral("seconds")))
        return true;
    bool ok = false;
    const double seconds = parser.value(QStringLiteral("seconds")).toDouble(&ok);
    if (!ok || !std::isfinite(seconds) || seconds <= 0 || seconds > kMaxSearchSeconds)
        return false;
    searchSeconds = seconds;
    return true;
}

QVector<VeltoDevice> LankitCtl::searchNetwork()
{
    const double seconds = searchSeconds > 0 ? searchSeconds : JXConfigure().searchSeconds();
    QVector<VeltoDevice> devices;
    VeltoSDK::instance()->searchDevices(devices, seconds);
    std::sort(devices.begin(), devices.end(), VeltoDevice::lessByMac);
    return devices;
}

int LankitCtl::search()
{
    const QVector<VeltoDevice> devices = searchNetwork();
    QJsonArray list;
    for (const VeltoDevice &device : devices)
        list.append(toJson(device));
    print(QJsonDocument(list));
    return kOk;
}

bool LankitCtl::lookUp(QVector<VeltoDevice> &devices, QVector<VeltoDevice> *everyDevice)
{
    const QVector<VeltoDevice> found = searchNetwork();
    if (everyDevice)
        *everyDevice = found;
    QJsonArray missing;
    for (const QString &mac : qAsConst(macs)) {
        const auto match = std::find_if(found.begin(), found.end(), [&](const VeltoDevice &d) {
            return d.mac().compare(mac, Qt::CaseInsensitive) == 0;
        });
        if (match == found.end())
            missing.append(mac);
        else
            devices.append(*match);
    }
    if (missing.isEmpty())
        return true;
    finish({{QStringLiteral("error"), QStringLiteral("device not found")},
            {QStringLiteral("missing"), missing}},
           kFailed);
    return false;
}

// The address is checked twice: alone before the search, then against every device the
// search found, so that a refusal sends no SetIp.
int LankitCtl::setIp()
{
    VeltoSettingsCheck::StaticAddress address{required("address"), required("netmask"),
                                              required("gateway"), required("dns1"),
                                              required("dns2")};
    if (address.ip.isEmpty() || address.netmask.isEmpty() || address.gateway.isEmpty())
        return usage(QStringLiteral("set-ip needs --address, --netmask and --gateway"));
    const int alone = refusedAddress(address, {});
    if (alone != kOk)
        return alone;
    QVector<VeltoDevice> devices;
    QVector<VeltoDevice> found;
    if (!lookUp(devices, &found))
        return kFailed;
    const int listed = refusedAddress(address, found);
    if (listed != kOk)
        return listed;
    const int result = VeltoSDK::instance()->setDeviceIp(
        devices.first(), address.ip, address.netmask, address.gateway, address.dns1, address.dns2);
    return finish(
        {{QStringLiteral("devices"), macsOf(devices)}, {QStringLiteral("result"), result}},
        result == 0 ? kOk : kFailed);
}

int LankitCtl::refusedAddress(VeltoSettingsCheck::StaticAddress &address,
                              const QVector<VeltoDevice> &listed)
{
    const VeltoSettingsCheck::Verdict verdict =
        VeltoSettingsCheck::checkStatic(address, listed, macs.value(0));
    if (verdict == VeltoSettingsCheck::Ok || (verdict == VeltoSettingsCheck::GatewayOutsideSubnet &&
                                              parser.isSet(QStringLiteral("force"))))
        return kOk;
    if (verdict == VeltoSettingsCheck::GatewayOutsideSubnet)
        return usage(QStringLiteral("the gateway is outside the address's subnet; the device "
                                    "may become unreachable (--force sets it anyway)"));
    return usage(VeltoSettingsCheck::text(verdict));
}

int LankitCtl::setDhcp()
{
    return applyToDevices([](VeltoSDK *sdk, const QVector<VeltoDevice> &devices) {
        return sdk->setDevicesDhcp(devices);
    });
}

int LankitCtl::setName()
{
    const QString name = required("name");
    if (name.isEmpty())
        return usage(QStringLiteral("set-name needs --name"));
    const VeltoSettingsCheck::Verdict verdict = VeltoSettingsCheck::checkName(name);
    if (verdict == VeltoSettingsCheck::NameTooLong)
        return usage(QStringLiteral("the name takes %1 bytes of UTF-8; at most %2 keep the "
                                    "device's search reply within 2048 bytes")
                         .arg(VeltoSettingsCheck::nameBytes(name))
                         .arg(VeltoSettingsCheck::kMaxNameBytes));
    if (verdict != VeltoSettingsCheck::Ok)
        return usage(VeltoSettingsCheck::text(verdict));
    return applyToDevices([&name](VeltoSDK *sdk, const QVector<VeltoDevice> &devices) {
        return sdk->setDevicesName(devices, name);
    });
}

int LankitCtl::reset()
{
    return applyToDevices([](VeltoSDK *sdk, const QVector<VeltoDevice> &devices) {
        return sdk->resetDevices(devices);
    });
}

int LankitCtl::applyToDevices(const DeviceCommand &command)
{
    QVector<VeltoDevice> devices;
    if (!lookUp(devices))
        return kFailed;
    const int result = command(VeltoSDK::instance(), devices);
    return finish(
        {{QStringLiteral("devices"), macsOf(devices)}, {QStringLiteral("result"), result}},
        result == 0 ? kOk : kFailed);
}

int LankitCtl::upgrade()
{
    const QString file = required("file");
    if (file.isEmpty())
        return usage(QStringLiteral("upgrade needs --file"));
    switch (VeltoSettingsCheck::checkFirmwareFile(file)) {
    case VeltoSettingsCheck::NotRegularFile:
        return usage(QStringLiteral("not a regular file: ") + file);
    case VeltoSettingsCheck::UnreadableFile:
        return usage(QStringLiteral("cannot read ") + file);
    case VeltoSettingsCheck::EmptyFile:
        return usage(QStringLiteral("empty firmware file: ") + file);
    default:
        break;
    }
    if (parser.isSet(QStringLiteral("stall-seconds"))) {
        bool ok = false;
        const double seconds = parser.value(QStringLiteral("stall-seconds")).toDouble(&ok);
        if (!ok || !(seconds >= kMinStallSeconds && seconds <= kMaxStallSeconds))
            return usage(QStringLiteral("--stall-seconds takes a number from 0.1 to 3600"));
        VeltoSDK::instance()->setUploadStallMs(static_cast<int>(seconds * 1000));
    }
    bool ok = true;
    const double verifySeconds = parser.isSet(QStringLiteral("verify"))
                                     ? parser.value(QStringLiteral("verify")).toDouble(&ok)
                                     : -1;
    if (!ok || (parser.isSet(QStringLiteral("verify")) && verifySeconds < 0))
        return usage(QStringLiteral("--verify needs a number of seconds"));
    const bool verbose = parser.isSet(QStringLiteral("verbose"));
    const VeltoSDK::UploadProgress progress = verbose ? showProgress : VeltoSDK::UploadProgress();
    QVector<VeltoDevice> devices;
    if (!lookUp(devices))
        return kFailed;
    QVector<int> results;
    for (const VeltoDevice &device : qAsConst(devices)) {
        if (verbose) {
            QTextStream(stderr) << "device " << results.size() + 1 << "/" << devices.size() << " "
                                << device.mac() << "\n";
        }
        results.append(VeltoSDK::instance()->setDeviceFirmware(device, file, progress));
    }
    if (verifySeconds < 0) {
        const auto failed = std::find_if(results.begin(), results.end(), [](int r) { return r; });
        const int result = failed == results.end() ? 0 : *failed;
        QJsonObject report{{QStringLiteral("devices"), macsOf(devices)},
                           {QStringLiteral("result"), result}};
        if (result != 0)
            report.insert(QStringLiteral("error"), VeltoFirmwareUpload::resultText(result));
        return finish(report, result == 0 ? kOk : kFailed);
    }
    const QVector<VeltoDevice> after = waitForDevices(devices, results, verifySeconds);
    QJsonArray verdicts;
    bool allUpgraded = true;
    for (int i = 0; i < devices.size(); ++i) {
        const QString before = VeltoUpgradeVerdict::versionOf(devices[i]);
        const QString now = VeltoUpgradeVerdict::versionOf(after[i]);
        const VeltoUpgradeVerdict::Verdict verdict =
            VeltoUpgradeVerdict::of(devices[i], after[i], results[i]);
        allUpgraded = allUpgraded && verdict == VeltoUpgradeVerdict::Upgraded;
        verdicts.append(
            QJsonObject{{QStringLiteral("mac"), devices[i].mac()},
                        {QStringLiteral("before"), before},
                        {QStringLiteral("after"), now},
                        {QStringLiteral("result"), results[i]},
                        {QStringLiteral("verdict"), VeltoUpgradeVerdict::key(verdict)}});
    }
    return finish({{QStringLiteral("devices"), verdicts}}, allUpgraded ? kOk : kFailed);
}

// A device answering again is not yet upgraded: its reply is kept so that its version can
// be compared. Devices whose upload failed are not waited for.
QVector<VeltoDevice> LankitCtl::waitForDevices(const QVector<VeltoDevice> &devices,
                                               const QVector<int> &results, double seconds)
{
    constexpr qint64 kRoundMs = 5000;
    QVector<VeltoDevice> answered(devices.size());
    QElapsedTimer elapsed;
    elapsed.start();
    for (;;) {
        const qint64 roundStart = elapsed.elapsed();
        const QVector<VeltoDevice> found = searchNetwork();
        const int waiting = VeltoUpgradeVerdict::takeAnswers(devices, results, found, answered);
        const qint64 next = roundStart + kRoundMs;
        if (waiting == 0 || next >= qint64(seconds * 1000))
            return answered;
        QThread::msleep(static_cast<unsigned long>(qMax<qint64>(0, next - elapsed.elapsed())));
    }
}

// The scan screen's checks and record, without its dialogs: a script cannot answer them,
// so --reprint answers the reprint question beforehand.
int LankitCtl::printLabel()
{
    if (!macs.isEmpty())
        return usage(QStringLiteral("print-label takes no MAC"));
    const QString scan = required("code");
    const QString model = required("model");
    const bool typed = parser.isSet(QStringLiteral("serial"));
    if (scan.isEmpty() || model.isEmpty() || (typed && required("serial").isEmpty()))
        return usage(QStringLiteral("print-label needs --code, --model and a non-empty --serial "
                                    "when one is given"));
    const std::unique_ptr<OmbrixLabelRegister> reg = OmbrixLabelRegister::fromConfiguration();
    if (typed && reg->allocates())
        return usage(QStringLiteral("--serial is refused: the label register (%1) gives the "
                                    "serial numbers; use --prefix")
                         .arg(reg->where()));
    if (typed)
        return printTypedSerial(scan, model, required("serial"));
    return printFromRegister(*reg, scan, model);
}

int LankitCtl::printTypedSerial(const QString &scan, const QString &model, const QString &serial)
{
    const QString code = OmbrixScanText::extractCode(OmbrixScanText::withoutLineEnding(scan));
    QJsonObject result = {{QStringLiteral("code"), code}, {QStringLiteral("serial"), serial}};
    if (!OmbrixScanText::hasModelMarker(code)) {
        result.insert(QStringLiteral("error"), QStringLiteral("not a device code"));
        return finish(result, kFailed);
    }
    const QString next = OmbrixScanText::nextSerial(serial);
    if (next.isEmpty()) {
        result.insert(QStringLiteral("error"),
                      QStringLiteral("--serial must end in a number, such as SN-00001"));
        return finish(result, kFailed);
    }
    const QString queue =
        parser.isSet(QStringLiteral("printer")) ? required("printer") : JXConfigure().printerName();
    result.insert(QStringLiteral("printer"), queue);
    const bool guard = JXConfigure().reprintQuestion();
    OmbrixLabelLog log;
    if (!log.open() && guard) {
        result.insert(QStringLiteral("error"), QStringLiteral("cannot record in ") + log.path());
        return finish(result, kFailed);
    }
    OmbrixLabelLog::Entry entry;
    entry.time = QDateTime::currentDateTime();
    entry.code = code;
    entry.model = model;
    entry.serial = serial;
    entry.printer = queue;
    OmbrixLabelLog::Entry earlier;
    const bool printedBefore = log.findPrinted(code, &earlier);
    const bool reprint = printedBefore && parser.isSet(QStringLiteral("reprint"));
    int status = kFailed;
    if (guard && printedBefore && !reprint) {
        entry.result = QStringLiteral("skipped: printed before");
        result.insert(QStringLiteral("earlierSerial"), earlier.serial);
        result.insert(QStringLiteral("earlierTime"), earlier.time.toString(Qt::ISODateWithMs));
        status = kPrintedBefore;
    } else if (queue.isEmpty()) {
        entry.result = QStringLiteral("failed: no printer chosen");
    } else {
        const OmbrixPrinter::Outcome outcome =
            OmbrixPrinter::printLabel(code, model, serial, queue);
        entry.pitch = outcome.pitch;
        entry.result = outcome.recordText(reprint);
        if (outcome.printed)
            status = kOk;
    }
    result.insert(QStringLiteral("result"), entry.result);
    result.insert(QStringLiteral("nextSerial"), status == kOk ? next : serial);
    const bool recorded = log.append(entry);
    result.insert(QStringLiteral("recorded"), recorded);
    if (!recorded) {
        result.insert(QStringLiteral("error"),
                      QStringLiteral("label not recorded in ") + log.path());
        if (status == kOk)
            status = kNotRecorded;
    }
    return finish(result, status);
}

int LankitCtl::printFromRegister(OmbrixLabelRegister &reg, const QString &scan,
                                 const QString &model)
{
    using Label = OmbrixLabelRegister::Label;
    const QString code = OmbrixScanText::extractCode(OmbrixScanText::withoutLineEnding(scan));
    Label label, earlier;
    label.code = code;
    label.model = model;
    label.prefix = parser.isSet(QStringLiteral("prefix"))
                       ? required("prefix")
                       : QString::fromLatin1(OmbrixLabelRegister::kDefaultPrefix);
    label.printer =
        parser.isSet(QStringLiteral("printer")) ? required("printer") : JXConfigure().printerName();
    QJsonObject result = {{QStringLiteral("code"), code},
                          {QStringLiteral("printer"), label.printer},
                          {QStringLiteral("register"), reg.where()},
                          {QStringLiteral("station"), reg.station()}};
    const auto refuse = [&](const QString &why) {
        result.insert(QStringLiteral("error"), why);
        return finish(result, kFailed);
    };
    if (!OmbrixScanText::hasModelMarker(code))
        return refuse(QStringLiteral("not a device code"));
    if (!OmbrixLabelRegister::isValidPrefix(label.prefix))
        return refuse(
            QStringLiteral("--prefix must be empty or end in its only dash, such as SN-"));
    // Refused before it is numbered: a code the printer cannot take costs no number.
    if (!OmbrixScanText::isSafeForPrinter(code))
        return refuse(QLatin1String(OmbrixPrinter::kUnprintable));
    const bool asked = parser.isSet(QStringLiteral("reprint"));
    const bool repeat = asked || !JXConfigure().reprintQuestion();
    const bool reprint =
        asked && reg.findPrinted(code, nullptr) == OmbrixLabelRegister::kPrintedBefore;
    const int reserved = reg.reserve(label, repeat, &earlier);
    if (reserved == OmbrixLabelRegister::kPrintedBefore) {
        label.state = OmbrixLabelRegister::State::Skipped;
        label.reason = QStringLiteral("printed before");
        result.insert(QStringLiteral("result"), label.resultText());
        result.insert(QStringLiteral("recorded"), reg.note(label) == OmbrixLabelRegister::kOk);
        result.insert(QStringLiteral("earlierSerial"), earlier.serial);
        result.insert(QStringLiteral("earlierTime"), earlier.time.toString(Qt::ISODateWithMs));
        result.insert(QStringLiteral("earlierStation"), earlier.station);
        return finish(result, kPrintedBefore);
    }
    if (reserved != OmbrixLabelRegister::kOk)
        return refuse(reg.lastError());
    result.insert(QStringLiteral("serial"), label.serial);
    OmbrixPrinter::Outcome outcome;
    outcome.reason = QStringLiteral("no printer chosen");
    if (!label.printer.isEmpty())
        outcome = OmbrixPrinter::printLabel(code, model, label.serial, label.printer);
    label.pitch = outcome.pitch;
    label.state =
        outcome.printed ? OmbrixLabelRegister::State::Printed : OmbrixLabelRegister::State::Failed;
    label.reason = outcome.printed ? QString() : outcome.reason;
    result.insert(QStringLiteral("result"), outcome.recordText(reprint));
    int status = outcome.printed ? kOk : kFailed;
    const bool recorded = reg.finish(label) == OmbrixLabelRegister::kOk;
    result.insert(QStringLiteral("recorded"), recorded);
    if (!recorded) {
        result.insert(QStringLiteral("error"), reg.lastError());
        if (status == kOk)
            status = kNotRecorded;
    }
    QString next;
    if (reg.peekNext(label.prefix, &next) == OmbrixLabelRegister::kOk)
        result.insert(QStringLiteral("nextSerial"), next);
    return finish(result, status);
}

int LankitCtl::labels()
{
    const QString action = macs.value(0);
    const std::unique_ptr<OmbrixLabelRegister> reg = OmbrixLabelRegister::fromConfiguration();
    if (action == QLatin1String("export") && macs.size() == 1) {
        OmbrixLabelRegister::Filter filter;
        if (parser.isSet(QStringLiteral("since"))) {
            filter.since = QDateTime::fromString(required("since"), Qt::ISODate);
            if (!filter.since.isValid())
                return usage(QStringLiteral("--since takes an ISO 8601 time"));
        }
        filter.station = required("station");
        QFile out;
        int result = reg->open();
        if (result == OmbrixLabelRegister::kOk && out.open(stdout, QIODevice::WriteOnly))
            result = reg->exportCsv(filter, &out);
        out.close();
        if (result == OmbrixLabelRegister::kOk)
            return kOk;
        QTextStream(stderr) << "lankitctl: " << reg->lastError() << "\n";
        return kFailed;
    }
    if (action == QLatin1String("import") && macs.size() == 2) {
        OmbrixLabelRegister::ImportCounts counts;
        int result = reg->open();
        if (result == OmbrixLabelRegister::kOk)
            result = reg->importCsv(macs[1], &counts);
        QJsonObject answer = {{QStringLiteral("added"), counts.added},
                              {QStringLiteral("present"), counts.present},
                              {QStringLiteral("unreadable"), counts.unreadable}};
        if (result != OmbrixLabelRegister::kOk)
            answer.insert(QStringLiteral("error"), reg->lastError());
        return finish(answer, result == OmbrixLabelRegister::kOk ? kOk : kFailed);
    }
    return usage(
        QStringLiteral("labels export [--since TIME] [--station NAME], or labels import FILE"));
}

int LankitCtl::finish(QJsonObject result, int code)
{
    result.insert(QStringLiteral("command"), command);
    print(QJsonDocument(result));
    return code;
}

int LankitCtl::usage(const QString &message)
{
    QTextStream(stderr) << "lankitctl: " << message << "\n(see lankitctl --help)\n";
    return kUsage;
}

QString LankitCtl::required(const char *name)
{
    return parser.value(QString::fromLatin1(name));
}
