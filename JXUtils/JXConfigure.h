#pragma once

#include <QObject>
#include <QString>

class QSettings;

// Typed access to <data directory>/configure/configure.ini. Short-lived: create one on the
// stack when a setting is needed. Every instance works on the same file; an instance is
// used only by the thread that created it.
class JXConfigure : public QObject
{
public:
    // A configure.ini that is not a regular file (links followed) of at most this size is
    // neither read nor written: every value reads as its default.
    static constexpr qint64 kMaxFileBytes = 1024 * 1024;

    JXConfigure();

    // Writes "langage" = cn, "hardware" = 1 and "search seconds" = 3 where absent.
    void ensureDefaults();

    QString language() const;
    bool hardwareDecoding() const;
    int searchSeconds() const;
    QString networkName() const;
    QString networkIp() const;
    QString printerName() const;
    // Whether the scan screen and lankitctl ask before printing a code already printed (on
    // unless set to 0).
    bool reprintQuestion() const;
    // How long a batch upgrade waits for its devices to answer again (180 unless set).
    int upgradeVerifySeconds() const;
    int labelSettings(double &width, double &height, int &column, double &paddingLeft,
                      double &paddingTop, double &paddingRight, double &paddingBottom,
                      double &padding) const;

    void setLanguage(const QString &language);
    void setHardwareDecoding(bool on);
    void setNetworkName(const QString &name);
    void setNetworkIp(const QString &ip);
    void setPrinterName(const QString &name);
    void setReprintQuestion(bool on);
    void setUpgradeVerifySeconds(int seconds);
    void setLabelSettings(double width, double height, int column, double paddingLeft,
                          double paddingTop, double paddingRight, double paddingBottom,
                          double padding);

    // Path of the INI file every instance reads and writes.
    static QString filePath();

private:
    QString text(const char *key) const;
    int integer(const char *key, int fallback) const;
    double real(const char *key) const;

    QSettings *settings; // owned as a child object
};
