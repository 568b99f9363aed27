#include "JXUtils/JXConfigure.h"

#include "JXUtils/JXAppPaths.h"
#include "JXUtils/JXRegularFile.h"

#include <QDir>
#include <QSettings>

namespace {
// Key names as the file has always spelled them. "langage" is misspelt on purpose:
// existing configuration files hold it, so it must not be corrected.
const char kLanguage[] = "langage";
const char kHardware[] = "hardware";
const char kSearchSeconds[] = "search seconds";
const char kNetworkName[] = "network name";
const char kNetworkIp[] = "network ip";
const char kPrinterName[] = "printer name";
const char kLabelWidth[] = "label width";
const char kLabelHeight[] = "label height";
const char kLabelColumn[] = "label column";
const char kLabelPadding[] = "label padding";
const char kReprintQuestion[] = "reprint question";
const char kUpgradeVerifySeconds[] = "upgrade verify seconds";
const int kDefaultUpgradeVerifySeconds = 180;
const char kLabelPaddingLeft[] = "label padding left";
const char kLabelPaddingTop[] = "label padding top";
const char kLabelPaddingRight[] = "label padding right";
const char kLabelPaddingBottom[] = "label padding bottom";

const int kDefaultSearchSeconds = 3;

QString configureDir()
{
    return JXAppPaths::dataDir() + QStringLiteral("/configure");
}
} // namespace

QString JXConfigure::filePath()
{
    return configureDir() + QStringLiteral("/configure.ini");
}

JXConfigure::JXConfigure()
{
    QDir().mkpath(configureDir());
    const QString path = filePath();
    const JXRegularFile::Kind kind = JXRegularFile::check(path, kMaxFileBytes);
    if (kind == JXRegularFile::Absent || kind == JXRegularFile::Regular) {
        settings = new QSettings(path, QSettings::IniFormat, this);
        return;
    }
    // Reading a FIFO or a device would block or never end, and the settings class writes
    // through links: such a file reads as all defaults and is never written.
    qDebug("configuration %s skipped: not a regular file of at most %lld bytes", qPrintable(path),
           static_cast<long long>(kMaxFileBytes));
    settings = new QSettings(QString(), QSettings::IniFormat, this);
}

void JXConfigure::ensureDefaults()
{
    if (!settings->contains(kLanguage))
        settings->setValue(kLanguage, QStringLiteral("cn"));
    if (!settings->contains(kHardware))
        settings->setValue(kHardware, 1);
    if (!settings->contains(kSearchSeconds))
        settings->setValue(kSearchSeconds, kDefaultSearchSeconds);
    settings->sync();
}

QString JXConfigure::text(const char *key) const
{
    return settings->value(key).toString();
}

int JXConfigure::integer(const char *key, int fallback) const
{
    if (!settings->contains(key))
        return fallback;
    bool ok = false;
    const int value = settings->value(key).toInt(&ok);
    return ok ? value : fallback;
}

double JXConfigure::real(const char *key) const
{
    bool ok = false;
    const double value = settings->value(key).toDouble(&ok);
    return ok ? value : 0.0;
}

QString JXConfigure::language() const
{
    return text(kLanguage);
}

bool JXConfigure::hardwareDecoding() const
{
    return integer(kHardware, 0) != 0;
}

int JXConfigure::searchSeconds() const
{
    return integer(kSearchSeconds, kDefaultSearchSeconds);
}

QString JXConfigure::networkName() const
{
    return text(kNetworkName);
}

QString JXConfigure::networkIp() const
{
    return text(kNetworkIp);
}

QString JXConfigure::printerName() const
{
    return text(kPrinterName);
}

int JXConfigure::labelSettings(double &width, double &height, int &column, double &paddingLeft,
                               double &paddingTop, double &paddingRight, double &paddingBottom,
                               double &padding) const
{
    width = real(kLabelWidth);
    height = real(kLabelHeight);
    column = integer(kLabelColumn, 0);
    paddingLeft = real(kLabelPaddingLeft);
    paddingTop = real(kLabelPaddingTop);
    paddingRight = real(kLabelPaddingRight);
    paddingBottom = real(kLabelPaddingBottom);
    padding = real(kLabelPadding);
    return 0;
}

void JXConfigure::setLanguage(const QString &language)
{
    settings->setValue(kLanguage, language);
}

bool JXConfigure::reprintQuestion() const
{
    return integer(kReprintQuestion, 1) != 0;
}

int JXConfigure::upgradeVerifySeconds() const
{
    return integer(kUpgradeVerifySeconds, kDefaultUpgradeVerifySeconds);
}

void JXConfigure::setUpgradeVerifySeconds(int seconds)
{
    settings->setValue(kUpgradeVerifySeconds, seconds);
}

void JXConfigure::setReprintQuestion(bool on)
{
    settings->setValue(kReprintQuestion, on ? 1 : 0);
}

void JXConfigure::setHardwareDecoding(bool on)
{
    settings->setValue(kHardware, on ? 1 : 0);
}

void JXConfigure::setNetworkName(const QString &name)
{
    settings->setValue(kNetworkName, name);
}

void JXConfigure::setNetworkIp(const QString &ip)
{
    settings->setValue(kNetworkIp, ip);
}

void JXConfigure::setPrinterName(const QString &name)
{
    settings->setValue(kPrinterName, name);
}

void JXConfigure::setLabelSettings(double width, double height, int column, double paddingLeft,
                                   double paddingTop, double paddingRight, double paddingBottom,
                                   double padding)
{
    settings->setValue(kLabelWidth, width);
    settings->setValue(kLabelHeight, height);
    settings->setValue(kLabelColumn, column);
    settings->setValue(kLabelPadding, padding);
    settings->setValue(kLabelPaddingLeft, paddingLeft);
    settings->setValue(kLabelPaddingTop, paddingTop);
    settings->setValue(kLabelPaddingRight, paddingRight);
    settings->setValue(kLabelPaddingBottom, paddingBottom);
}
