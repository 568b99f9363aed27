// The production run's label record: the exact line format, what the index of printed
// codes holds after a restart, and files left behind by a crash or written by someone else.
#include "app/OmbrixLabelLog.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

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
    // labels.csv as an earlier run or someone else left it (the header line, then lines),
    // opened.
    std::unique_ptr<OmbrixLabelLog> openLeftBehind(const QByteArray &lines)
    {
        QDir().mkpath(dir.path() + "/log");
        write(path(), "time,code,model,serial,printer,dot_pitch,result\n" + lines);
        auto log = std::make_unique<OmbrixLabelLog>(path());
        EXPECT_TRUE(log->open());
        return log;
    }
    QTemporaryDir dir;
};

TEST_F(LabelLogTest, LinesAreExactAndReadBack)
{
    EXPECT_EQ(OmbrixLabelLog::formatLine(entry("HXKT4R00A1B2", "SN-00041")),
              "2026-12-08 09:30:05.042,HXKT4R00A1B2,KT4X-Q2,SN-00041,OMBRIX_T1,0.85,printed,2");
    // Commas and quotes are quoted; control characters (a refused scan) are spelled out
    // so that the record stays one line.
    OmbrixLabelLog::Entry odd = entry("HXKT4R0,\"1\r\nW1", "SN,\"2\"", "refused: x");
    odd.pitch = 0;
    const QByteArray line = OmbrixLabelLog::formatLine(odd);
    EXPECT_EQ(line, "2026-12-08 09:30:05.042,\"HXKT4R0,\"\"1\\x0D\\x0AW1\",KT4X-Q2,"
                    "\"SN,\"\"2\"\"\",OMBRIX_T1,,refused: x,2");
    OmbrixLabelLog::Entry back;
    ASSERT_TRUE(OmbrixLabelLog::parseLine(line, &back));
    EXPECT_EQ(back.time, odd.time);
    EXPECT_EQ(back.code, odd.code);
    EXPECT_EQ(back.serial, odd.serial);
    EXPECT_EQ(back.result, "refused: x");
    EXPECT_FALSE(OmbrixLabelLog::parseLine("a,b,c", &back));
    EXPECT_FALSE(OmbrixLabelLog::parseLine("a,\"b,c,d,e,f,g", &back));
    EXPECT_FALSE(OmbrixLabelLog::parseLine("a,b,c,d,e,f,g,h", &back));
    EXPECT_FALSE(OmbrixLabelLog::parseLine("a,b,c,d,e,f,g,2,i", &back));
}

// Awkward fields: each is written as a spreadsheet takes it for data (the cell as the
// spreadsheet shows it), and reads back exactly, in every field that holds text.
TEST_F(LabelLogTest, AwkwardFieldsRoundTripAsData)
{
    const struct
    {
        QString text;
        QByteArray written;
    } cases[] = {
        {QStringLiteral("=1+1"), "'=1+1"},
        {QStringLiteral("-5"), "'-5"},
        {QStringLiteral("+5"), "'+5"},
        {QStringLiteral("@x"), "'@x"},
        {QStringLiteral("\tA"), "'\\x09A"},
        {QStringLiteral("A\tB"), "A\\x09B"},
        {QStringLiteral("\r\nA"), "'\\x0D\\x0AA"},
        {QStringLiteral("A\r\n"), "A\\x0D\\x0A"},
        {QStringLiteral("A\\B"), "A\\\\B"},
        {QStringLiteral("\\x0D"), "\\\\x0D"},
        {QStringLiteral("\\"), "\\\\"},
        {QStringLiteral("'quoted"), "''quoted"},
        {QStringLiteral("SN-'1"), "SN-'1"},
        {QStringLiteral("say \"hi\""), "\"say \"\"hi\"\"\""},
        {QStringLiteral("a,b"), "\"a,b\""},
        {QStringLiteral("=\"x\",1"), "\"'=\"\"x\"\",1\""},
        {QStringLiteral("型号-é"), "型号-é"},
        {QString(), ""},
    };
    for (const auto &c : cases) {
        OmbrixLabelLog::Entry odd = entry(c.text, c.text, c.text);
        odd.model = c.text;
        odd.printer = c.text;
        const QByteArray line = OmbrixLabelLog::formatLine(odd);
        const QByteArray field = c.written;
        EXPECT_EQ(line, "2026-12-08 09:30:05.042," + field + ',' + field + ',' + field + ',' +
                            field + ",0.85," + field + ",2")
            << c.written.constData();
        OmbrixLabelLog::Entry back;
        ASSERT_TRUE(OmbrixLabelLog::parseLine(line, &back)) << line.constData();
        for (const QString &read : {back.code, back.model, back.serial, back.printer, back.result})
            EXPECT_EQ(read, c.text) << line.constData();
    }
}

// Lines of seven fields were written before fields were escaped: they read back as they
// always did, an apostrophe and a backslash sequence included, and count as labels.
TEST_F(LabelLogTest, EarlierLinesReadAsBefore)
{
    const auto log =
        openLeftBehind("2026-01-02 03:04:05.006,HXKT4R\\x0D1,'=M,SN\\1,Q,0.85,printed\n"
                       "2026-01-02 03:04:06.006,HXKT4R2,M,S,Q,0.85,\"refused: x\\x22\"\n");
    OmbrixLabelLog::Entry found;
    ASSERT_TRUE(log->findPrinted("HXKT4R\\x0D1", &found));
    EXPECT_EQ(found.model, "'=M");
    EXPECT_EQ(found.serial, "SN\\1");
    OmbrixLabelLog::Entry refused;
    ASSERT_TRUE(OmbrixLabelLog::parseLine(contents(path()).split('\n').at(2), &refused));
    EXPECT_EQ(refused.result, "refused: x\\x22");
    // A code needing escapes, printed and then reprinted on purpose, is found after a
    // restart, latest first.
    OmbrixLabelLog::Entry again = entry("=HX\\KT4R\t3", "SN-00001");
    ASSERT_TRUE(log->append(again));
    again.serial = QStringLiteral("SN-00002");
    again.result = QString::fromLatin1(OmbrixLabelLog::kReprinted);
    ASSERT_TRUE(log->append(again));
    OmbrixLabelLog reopened(path());
    ASSERT_TRUE(reopened.open());
    EXPECT_EQ(reopened.printedCount(), 3u);
    ASSERT_TRUE(reopened.findPrinted("=HX\\KT4R\t3", &found));
    EXPECT_EQ(found.serial, "SN-00002");
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
        "time,code,model,serial,printer,dot_pitch,result,format\n"
        "2026-12-08 09:30:05.042,HXKT4R01,KT4X-Q2,SN-00001,OMBRIX_T1,0.85,printed,2\n"
        "2026-12-08 09:30:05.042,HXKT4R02,KT4X-Q2,SN-00002,OMBRIX_T1,0.85,"
        "failed: print job failed (-1),2\n";
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
    const auto log =
        openLeftBehind("2026-12-08 09:30:05.042,HXKT4R01,KT4X-Q2,SN-00001,OMBRIX_T1,0.85,printed\n"
                       "2026-12-08 09:30:06.042,HXKT4R02,KT4X-Q2,SN-00002,OMBRIX_T1,0.85,printed");
    EXPECT_EQ(log->printedCount(), 1u);
    EXPECT_FALSE(log->findPrinted("HXKT4R02", nullptr));
    ASSERT_TRUE(log->append(entry("HXKT4R03", "SN-00003")));
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
    QByteArray bytes = QByteArray(200000, 'x') + ",printed\n"; // far too long
    bytes += "\"unclosed,a,b,c,d,e,printed\n";                 // open quote
    bytes += "a,b,c,d,e,f,g,printed\n";                        // too many fields
    bytes += QByteArray("\0\0\xff,printed\n", 12);             // binary
    bytes += "\n\r\n,,,,,,printed\r\n";                        // empty code, CR LF
    bytes += "2026-12-08 09:30:05.042,HXKT4R09,M,S,Q,0.85,printed\n";
    const auto log = openLeftBehind(bytes);
    EXPECT_EQ(log->printedCount(), 2u);
    OmbrixLabelLog::Entry found;
    EXPECT_TRUE(log->findPrinted("HXKT4R09", &found));
    EXPECT_EQ(found.serial, "S");
    EXPECT_FALSE(log->findPrinted("unclosed", &found));
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
