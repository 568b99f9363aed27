// The production run's label record: the exact line format, what the index of printed
// codes holds after a restart, and files left behind by a crash or written by someone else.
#include "app/OmbrixLabelLog.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

OmbrixLabelLog::Entry entry(const QString &code, const QString &serial,
                            const QString &result = QStringLiteral("printed"))
{
    OmbrixLabelLog::Entry e;
    e.time = QDateTime(QDate(2026, 12, 8), QTime(9, 30, 5, 42));
    e.code = code;
    e.model = QStringLiteral("KT4X-Q2");
    e.serial = serial;
    e.printer = QStringLiteral("OMBRIX_T1");
    e.pitch = 0.85;
    e.result = result;
    return e;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

class LabelLogTest : public ::testing::Test
{
protected:
    QString path() const { return dir.path() + QStringLiteral("/log/labels.csv"); }
    QTemporaryDir dir;
};

TEST_F(LabelLogTest, LinesAreExactAndReadBack)
{
    EXPECT_EQ(OmbrixLabelLog::formatLine(entry("HXKT4R00A1B2", "SN-00041")),
              "2026-12-08 09:30:05.042,HXKT4R00A1B2,KT4X-Q2,SN-00041,OMBRIX_T1,0.85,printed");
    // Commas and quotes are quoted; control characters (a refused scan) are spelled out
    // so that the record stays one line.
    OmbrixLabelLog::Entry odd = entry("HXKT4R0,\"1\r\nW1", "SN,\"2\"", "refused: x");
    odd.pitch = 0;
    const QByteArray line = OmbrixLabelLog::formatLine(odd);
    EXPECT_EQ(line, "2026-12-08 09:30:05.042,\"HXKT4R0,\"\"1\\x0D\\x0AW1\",KT4X-Q2,"
                    "\"SN,\"\"2\"\"\",OMBRIX_T1,,refused: x");
    OmbrixLabelLog::Entry back;
    ASSERT_TRUE(OmbrixLabelLog::parseLine(line, &back));
    EXPECT_EQ(back.time, odd.time);
    EXPECT_EQ(back.code, "HXKT4R0,\"1\\x0D\\x0AW1");
    EXPECT_EQ(back.serial, "SN,\"2\"");
    EXPECT_EQ(back.result, "refused: x");
    EXPECT_FALSE(OmbrixLabelLog::parseLine("a,b,c", &back));
    EXPECT_FALSE(OmbrixLabelLog::parseLine("a,\"b,c,d,e,f,g", &back));
    EXPECT_FALSE(OmbrixLabelLog::parseLine("a,b,c,d,e,f,g,h", &back));
}

TEST_F(LabelLogTest, NewFileGetsHeaderAndEveryLabel)
{
    {
        OmbrixLabelLog log(path());
        ASSERT_TRUE(log.open());
        ASSERT_TRUE(log.append(entry("HXKT4R01", "SN-00001")));
        ASSERT_TRUE(log.append(entry("HXKT4R02", "SN-00002", "failed: print job failed (-1)")));
        // Flushed per label: another reader sees it before the log closes.
        EXPECT_EQ(contents(path()).count('\n'), 3);
    }
    const QByteArray expected =
        "time,code,model,serial,printer,dot_pitch,result\n"
        "2026-12-08 09:30:05.042,HXKT4R01,KT4X-Q2,SN-00001,OMBRIX_T1,0.85,printed\n"
        "2026-12-08 09:30:05.042,HXKT4R02,KT4X-Q2,SN-00002,OMBRIX_T1,0.85,"
        "failed: print job failed (-1)\n";
    EXPECT_EQ(contents(path()), expected);
    // Reopened: appended to, never truncated, no second header.
    OmbrixLabelLog log(path());
    ASSERT_TRUE(log.open());
    ASSERT_TRUE(log.append(entry("HXKT4R03", "SN-00003")));
    EXPECT_TRUE(contents(path()).startsWith(expected));
    EXPECT_EQ(contents(path()).count("time,code"), 1);
}

TEST_F(LabelLogTest, IndexHoldsOnlyPrintedCodesLatestFirst)
{
    {
        OmbrixLabelLog log(path());
        ASSERT_TRUE(log.open());
        log.append(entry("HXKT4R01", "SN-00001"));
        log.append(entry("HXKT4R02", "SN-00002", "failed: cannot open printer (-3)"));
        log.append(entry("HXKT4R03", "SN-00003", "refused: no model"));
        log.append(entry("HXKT4R,4", "SN-00004"));
        OmbrixLabelLog::Entry again = entry("HXKT4R01", "SN-00005");
        again.time = again.time.addSecs(60);
        log.append(again);
        // Found in this session already.
        OmbrixLabelLog::Entry found;
        ASSERT_TRUE(log.findPrinted("HXKT4R01", &found));
        EXPECT_EQ(found.serial, "SN-00005");
    }
    OmbrixLabelLog log(path());
    ASSERT_TRUE(log.open());
    EXPECT_EQ(log.printedCount(), 3u);
    OmbrixLabelLog::Entry found;
    ASSERT_TRUE(log.findPrinted("HXKT4R01", &found));
    EXPECT_EQ(found.serial, "SN-00005");
    EXPECT_EQ(found.time, entry("", "").time.addSecs(60));
    EXPECT_TRUE(log.findPrinted("HXKT4R,4", &found));
    EXPECT_FALSE(log.findPrinted("HXKT4R02", &found));
    EXPECT_FALSE(log.findPrinted("HXKT4R03", &found));
    EXPECT_FALSE(log.findPrinted("HXKT4R0", &found));
    EXPECT_FALSE(log.findPrinted("", &found));
}

// What a kill in the middle of a write leaves: a last line without its end. That label
// was not finished, so it is not indexed, and the next label starts a line of its own.
TEST_F(LabelLogTest, UnfinishedLastLineIsNotALabel)
{
    QDir().mkpath(dir.path() + "/log");
    write(path(), "time,code,model,serial,printer,dot_pitch,result\n"
                  "2026-12-08 09:30:05.042,HXKT4R01,KT4X-Q2,SN-00001,OMBRIX_T1,0.85,printed\n"
                  "2026-12-08 09:30:06.042,HXKT4R02,KT4X-Q2,SN-00002,OMBRIX_T1,0.85,printed");
    OmbrixLabelLog log(path());
    ASSERT_TRUE(log.open());
    EXPECT_EQ(log.printedCount(), 1u);
    EXPECT_FALSE(log.findPrinted("HXKT4R02", nullptr));
    ASSERT_TRUE(log.append(entry("HXKT4R03", "SN-00003")));
    const QList<QByteArray> lines = contents(path()).split('\n');
    ASSERT_EQ(lines.size(), 5);
    EXPECT_TRUE(lines[2].endsWith(",printed"));
    EXPECT_EQ(lines[3], OmbrixLabelLog::formatLine(entry("HXKT4R03", "SN-00003")));
    EXPECT_EQ(lines[4], "");
}

// The file is outside input: anything in it is read without harm and only well-formed
// printed lines count.
TEST_F(LabelLogTest, HostileFileIsReadSafely)
{
    QDir().mkpath(dir.path() + "/log");
    QByteArray bytes = "time,code,model,serial,printer,dot_pitch,result\n";
    bytes += QByteArray(200000, 'x') + ",printed\n"; // far too long
    bytes += "\"unclosed,a,b,c,d,e,printed\n";       // open quote
    bytes += "a,b,c,d,e,f,g,printed\n";              // too many fields
    bytes += QByteArray("\0\0\xff,printed\n", 12);   // binary
    bytes += "\n\r\n,,,,,,printed\r\n";              // empty code, CR LF
    bytes += "2026-12-08 09:30:05.042,HXKT4R09,M,S,Q,0.85,printed\n";
    write(path(), bytes);
    OmbrixLabelLog log(path());
    ASSERT_TRUE(log.open());
    EXPECT_EQ(log.printedCount(), 2u);
    OmbrixLabelLog::Entry found;
    EXPECT_TRUE(log.findPrinted("HXKT4R09", &found));
    EXPECT_EQ(found.serial, "S");
    EXPECT_FALSE(log.findPrinted("unclosed", &found));
}

TEST_F(LabelLogTest, UnwritableFolderFailsToOpen)
{
    write(dir.path() + "/log", "a file where the folder should be");
    OmbrixLabelLog log(path());
    EXPECT_FALSE(log.open());
    EXPECT_FALSE(log.append(entry("HXKT4R01", "SN-00001")));
    EXPECT_FALSE(log.findPrinted("HXKT4R01", nullptr));
}

} // namespace
