#include "JXUtils/JXConfigure.h"
#include "support/TestPaths.h"

#include <QFile>
#include <QSettings>
#include <gtest/gtest.h>

namespace {
QString readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

// The label geometry as labelSettings gives it, and its result. Every field starts at -1,
// so a field it leaves unset shows.
struct Geometry
{
    double width = -1, height = -1, left = -1, top = -1, right = -1, bottom = -1, padding = -1;
    int columns = -1;
    int result = -1;
};

Geometry storedGeometry()
{
    Geometry g;
    g.result = JXConfigure().labelSettings(g.width, g.height, g.columns, g.left, g.top, g.right,
                                           g.bottom, g.padding);
    return g;
}

// Writes raw INI text, as an operator editing the file would.
class ConfigureFile : public ::testing::Test
{
protected:
    void SetUp() override { JXConfigure(); }
    void write(const QByteArray &ini) { writeFile(JXConfigure::filePath(), ini); }
    ScopedAppDir appDir;
};
} // namespace

TEST_F(ConfigureFile, FreshInstallGetsExactlyTheThreeDefaults)
{
    {
        JXConfigure configure;
        configure.ensureDefaults();
    }
    EXPECT_EQ(JXConfigure::filePath(), appDir.path() + "/configure/configure.ini");
    EXPECT_EQ(readFile(JXConfigure::filePath()),
              "[General]\nhardware=1\nlangage=cn\nsearch%20seconds=3\n");
}

TEST_F(ConfigureFile, MissingFileReadsAsDefaults)
{
    JXConfigure configure;
    EXPECT_EQ(configure.language(), "");
    EXPECT_FALSE(configure.hardwareDecoding());
    EXPECT_EQ(configure.searchSeconds(), 3);
    EXPECT_EQ(configure.networkName(), "");
    EXPECT_EQ(configure.networkIp(), "");
    EXPECT_EQ(configure.printerName(), "");
    const Geometry g = storedGeometry();
    EXPECT_EQ(g.result, 0);
    EXPECT_EQ(g.width, 0.0);
    EXPECT_EQ(g.height, 0.0);
    EXPECT_EQ(g.columns, 0);
    EXPECT_EQ(g.left + g.top + g.right + g.bottom + g.padding, 0.0);
}

TEST_F(ConfigureFile, ValuesThatDoNotConvertReadAsDefaults)
{
    struct Case
    {
        QByteArray ini;
        int seconds;
        bool hardware;
    } cases[] = {
        {"[General]\nsearch%20seconds=10\nhardware=0\n", 10, false},
        {"[General]\nsearch%20seconds=ten\nhardware=true\n", 3, false},
        {"[General]\nsearch%20seconds=\nhardware=2\n", 3, true},
        {"[General]\nsearch%20seconds=1.5\nhardware=1\n", 3, true},
        {"[General]\nsearch%20seconds=-4\nhardware=-1\n", -4, true},
    };
    for (const Case &c : cases) {
        // A fresh folder per case: the settings class caches a file by path, size and time.
        ScopedAppDir caseDir;
        JXConfigure();
        write(c.ini);
        JXConfigure configure;
        EXPECT_EQ(configure.searchSeconds(), c.seconds) << c.ini.constData();
        EXPECT_EQ(configure.hardwareDecoding(), c.hardware) << c.ini.constData();
    }
}

TEST_F(ConfigureFile, LabelGeometryReadsRealsAndMissingColumnIsZero)
{
    write("[General]\nlabel%20padding%20left=2.5\nlabel%20width=45\nlabel%20height=abc\n");
    const Geometry g = storedGeometry();
    EXPECT_EQ(g.left, 2.5);
    EXPECT_EQ(g.width, 45.0);
    EXPECT_EQ(g.height, 0.0);
    EXPECT_EQ(g.columns, 0);
}

TEST_F(ConfigureFile, EnsureDefaultsLeavesPresentKeysAlone)
{
    write("[General]\nlangage=fr\nhardware=true\n");
    {
        JXConfigure configure;
        configure.ensureDefaults();
        EXPECT_EQ(configure.language(), "fr");
        EXPECT_FALSE(configure.hardwareDecoding());
        EXPECT_EQ(configure.searchSeconds(), 3);
    }
    EXPECT_EQ(readFile(JXConfigure::filePath()),
              "[General]\nhardware=true\nlangage=fr\nsearch%20seconds=3\n");
}

TEST_F(ConfigureFile, SettersWriteTypedValuesUnderTheirKeys)
{
    {
        JXConfigure configure;
        configure.setLanguage("en");
        configure.setHardwareDecoding(false);
        configure.setNetworkName("Ethernet 2");
        configure.setNetworkIp("192.168.1.77");
        configure.setPrinterName("OMBRIX K7300");
        configure.setLabelSettings(45, 45, 1, 1.5, 0.25, 0, 0, 2);
    }
    QSettings raw(JXConfigure::filePath(), QSettings::IniFormat);
    EXPECT_EQ(raw.value("hardware").toString(), "0");
    EXPECT_EQ(raw.value("network name").toString(), "Ethernet 2");
    EXPECT_EQ(raw.value("label padding left").toString(), "1.5");
    EXPECT_EQ(raw.value("label column").toString(), "1");

    JXConfigure configure;
    EXPECT_EQ(configure.language(), "en");
    EXPECT_EQ(configure.networkIp(), "192.168.1.77");
    EXPECT_EQ(configure.printerName(), "OMBRIX K7300");
    const Geometry g = storedGeometry();
    EXPECT_EQ(g.width, 45.0);
    EXPECT_EQ(g.columns, 1);
    EXPECT_EQ(g.top, 0.25);
    EXPECT_EQ(g.padding, 2.0);
}
