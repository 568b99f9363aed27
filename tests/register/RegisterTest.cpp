// The label register: the serial and address rules, the station's own file, and the
// database every station shares, against a private PostgreSQL server: four stations at
// once, one code scanned at two stations at once, the server killed in the middle of a
// run, a 100,000-line labels.csv imported and exported, and where the password may show.
#include "PgServer.h"
#include "app/OmbrixFileLabelRegister.h"
#include "app/OmbrixSqlLabelRegister.h"
#include "support/LogCapture.h"
#include "support/TestPaths.h"

#include "JXUtils/JXConfigure.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QSettings>
#include <QTcpServer>
#include <QThread>

#include <gtest/gtest.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Label = OmbrixLabelRegister::Label;
using State = OmbrixLabelRegister::State;

Label label(const QString &code)
{
    Label l;
    l.code = code;
    l.model = QStringLiteral("KT4X-Q2");
    l.prefix = QStringLiteral("SN-");
    l.printer = QStringLiteral("OMBRIX_T1");
    l.pitch = 0.85;
    return l;
}

std::vector<Label> exported(OmbrixLabelRegister &reg,
                            const OmbrixLabelRegister::Filter &filter = {})
{
    std::vector<Label> rows;
    EXPECT_EQ(reg.exportRows(filter, [&](const Label &row) { rows.push_back(row); }),
              OmbrixLabelRegister::kOk)
        << qPrintable(reg.lastError());
    return rows;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every running process's command line, NULs as spaces.
QByteArray processList()
{
    QByteArray all;
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QByteArray line = contents(QStringLiteral("/proc/%1/cmdline").arg(pid));
        all += line.replace('\0', ' ') + '\n';
    }
    return all;
}

TEST(RegisterRulesTest, SerialNumbersSplitOnlyWhenTheyCanBeCounted)
{
    const struct
    {
        const char *serial;
        bool ok;
        const char *prefix;
        qint64 number;
    } cases[] = {
        {"SN-00042", true, "SN-", 42},
        {"SN-99999", true, "SN-", 99999},
        {"SN-100000", true, "SN-", 100000},
        {"00041", true, "", 41},
        {"LINE-2-0007", false, "", 0}, // the scan station reads "2-0007" as its number
        {"SN-999999999999999999", true, "SN-", 999999999999999999},
        {"SN-1000000000000000000", false, "", 0}, // 19 digits
        {"SN-", false, "", 0},
        {"SN--0001", false, "", 0},
        {"SN-12a", false, "", 0},
        {"SN- 12", false, "", 0},
        {"SN-\xd9\xa3", false, "", 0}, // an Arabic-Indic digit is no decimal digit here
        {"", false, "", 0},
    };
    for (const auto &c : cases) {
        QString prefix;
        qint64 number = -1;
        ASSERT_EQ(OmbrixLabelRegister::splitSerial(QString::fromUtf8(c.serial), &prefix, &number),
                  c.ok)
            << c.serial;
        if (c.ok) {
            EXPECT_EQ(prefix, QString::fromUtf8(c.prefix)) << c.serial;
            EXPECT_EQ(number, c.number) << c.serial;
        }
    }
    EXPECT_EQ(OmbrixLabelRegister::formatSerial("SN-", 42), "SN-00042");
    EXPECT_EQ(OmbrixLabelRegister::formatSerial("SN-", 100000), "SN-100000");
    EXPECT_FALSE(OmbrixLabelRegister::isValidPrefix("SN-1"));
    EXPECT_FALSE(OmbrixLabelRegister::isValidPrefix("SN\n-"));
    EXPECT_FALSE(OmbrixLabelRegister::isValidPrefix("LINE-2-"));
    EXPECT_FALSE(OmbrixLabelRegister::isValidPrefix("SN"));
    EXPECT_TRUE(OmbrixLabelRegister::isValidPrefix(""));
}

TEST(RegisterRulesTest, AddressesAreTakenApartAndPasswordsRefusedUnrepeated)
{
    const char *const secret = "hunter2";
    const struct
    {
        const char *text;
        bool ok;
        const char *host;
        int port;
        const char *user;
        const char *database;
        const char *option; // the first option, when there is one before the time-out
    } cases[] = {
        {"postgresql://lankit@db.line1:5433/labels", true, "db.line1", 5433, "lankit", "labels",
         nullptr},
        {"postgres://[::1]:6000/x", true, "::1", 6000, "", "x", nullptr},
        {"postgresql://%2Fvar%2Frun%2Fpostgresql/labels", true, "/var/run/postgresql", 0, "",
         "labels", nullptr},
        {"postgresql://u@h/db?sslmode=require", true, "h", 0, "u", "db", "sslmode=require"},
        {"postgresql://u:hunter2@h/db", false, "", 0, "", "", nullptr},
        {"postgresql://u@h/db?password=hunter2", false, "", 0, "", "", nullptr},
        {"postgresql://u@h/db?options=-c%20hunter2", false, "", 0, "", "", nullptr},
        {"postgresql://u@h/db?sslmode=a'hunter2", false, "", 0, "", "", nullptr},
        {"postgresql://u@h/db?connect_timeout=600", false, "", 0, "", "", nullptr},
        {"postgresql://u@h:70000/db", false, "", 0, "", "", nullptr},
        {"postgresql://u@h:x/db", false, "", 0, "", "", nullptr},
        {"postgresql://u%20x@h/db", false, "", 0, "", "", nullptr},
        {"mysql://u@h/db", false, "", 0, "", "", nullptr},
    };
    for (const auto &c : cases) {
        OmbrixSqlLabelRegister::Address address;
        QString error;
        ASSERT_EQ(OmbrixSqlLabelRegister::parseAddress(QString::fromUtf8(c.text), &address, &error),
                  c.ok)
            << c.text << " " << qPrintable(error);
        if (!c.ok) {
            EXPECT_FALSE(error.isEmpty()) << c.text;
            EXPECT_FALSE(error.contains(QLatin1String(secret))) << qPrintable(error);
            continue;
        }
        EXPECT_EQ(address.host, c.host) << c.text;
        EXPECT_EQ(address.port, c.port) << c.text;
        EXPECT_EQ(address.user, c.user) << c.text;
        EXPECT_EQ(address.database, c.database) << c.text;
        EXPECT_TRUE(address.options.contains("connect_timeout=3")) << c.text;
        if (c.option) {
            EXPECT_EQ(address.options.first(), c.option) << c.text;
        }
    }
}

// A mistyped address must not leave the station numbering labels on its own.
TEST(RegisterRulesTest, ConfiguredAddressChoosesTheRegisterAndABadOneRefusesLabels)
{
    ScopedAppDir app;
    EXPECT_FALSE(OmbrixLabelRegister::fromConfiguration()->allocates());
    QSettings(JXConfigure::filePath(), QSettings::IniFormat)
        .setValue(OmbrixLabelRegister::kRegisterKey, QStringLiteral("postgresq://db/labels"));
    auto reg = OmbrixLabelRegister::fromConfiguration();
    ASSERT_TRUE(reg->allocates());
    Label l = label(QStringLiteral("HXKT4R00A1B2"));
    EXPECT_EQ(reg->reserve(l, false, nullptr), OmbrixLabelRegister::kUnavailable);
    EXPECT_TRUE(reg->lastError().contains(QLatin1String("not a postgresql:// address")))
        << qPrintable(reg->lastError());
}

// The station's own register: numbers stored before the label goes out, the caller's
// serial numbers taken and checked, and the guard from labels.csv.
TEST(FileRegisterTest, NumbersAreStoredBeforePrintingAndTheFileGuardsCodes)
{
    ScopedAppDir app;
    const QString path = app.path() + QStringLiteral("/log/labels.csv");
    {
        OmbrixFileLabelRegister reg(path, QStringLiteral("line1"));
        ASSERT_EQ(reg.open(), OmbrixLabelRegister::kOk);
        Label first = label(QStringLiteral("HXKT4R00A1B2"));
        ASSERT_EQ(reg.reserve(first, false, nullptr), OmbrixLabelRegister::kOk);
        EXPECT_EQ(first.serial, "SN-00001");
        // Killed here, between the number and the print.
    }
    OmbrixFileLabelRegister reg(path, QStringLiteral("line1"));
    QString next;
    ASSERT_EQ(reg.peekNext(QStringLiteral("SN-"), &next), OmbrixLabelRegister::kOk);
    EXPECT_EQ(next, "SN-00002");

    Label typed = label(QStringLiteral("HXKT4R00A1B3"));
    typed.serial = QStringLiteral("SN-00041");
    ASSERT_EQ(reg.reserve(typed, false, nullptr), OmbrixLabelRegister::kOk);
    typed.state = State::Printed;
    ASSERT_EQ(reg.finish(typed), OmbrixLabelRegister::kOk);
    ASSERT_EQ(reg.peekNext(QStringLiteral("SN-"), &next), OmbrixLabelRegister::kOk);
    EXPECT_EQ(next, "SN-00042");

    Label again = label(QStringLiteral("HXKT4R00A1B3")), earlier;
    EXPECT_EQ(reg.reserve(again, false, &earlier), OmbrixLabelRegister::kPrintedBefore);
    EXPECT_EQ(earlier.serial, "SN-00041");
    EXPECT_EQ(earlier.station, "line1");
    Label malformed = label(QStringLiteral("HXKT4R00A1B4"));
    malformed.serial = QStringLiteral("SN--0001");
    EXPECT_EQ(reg.reserve(malformed, false, nullptr), OmbrixLabelRegister::kBadSerial);

    const std::vector<Label> rows = exported(reg);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].serial, "SN-00041");
    EXPECT_EQ(rows[0].resultText(), "printed");
    EXPECT_TRUE(exported(reg, {QDateTime(), QStringLiteral("line2")}).empty());
    EXPECT_EQ(reg.importCsv(path, nullptr), OmbrixLabelRegister::kNotSupported);
}

// One private server for the suite; a database of its own for each test.
class SqlRegisterTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        server = std::make_unique<PgServer>();
        QString error;
        started = server->start(&error);
        if (!started)
            std::fprintf(stderr, "%s\n", qPrintable(error));
    }
    static void TearDownTestSuite() { server.reset(); }

    void SetUp() override
    {
        ASSERT_TRUE(started) << "the private PostgreSQL server did not start";
        const QString name =
            QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name())
                .toLower();
        ASSERT_TRUE(server->createDatabase(name)) << qPrintable(name);
        address = server->address(name);
        database = name;
    }

    std::unique_ptr<OmbrixSqlLabelRegister> station(const QString &name) const
    {
        return std::make_unique<OmbrixSqlLabelRegister>(address, name);
    }

    // Runs register-station processes to their end; their output lines.
    static QStringList runStations(const std::vector<QStringList> &argumentLists)
    {
        std::vector<std::unique_ptr<QProcess>> processes;
        for (const QStringList &arguments : argumentLists) {
            processes.push_back(std::make_unique<QProcess>());
            processes.back()->start(testBinDir() + QStringLiteral("/register-station"), arguments);
        }
        QStringList lines;
        for (auto &process : processes) {
            EXPECT_TRUE(process->waitForFinished(120000)) << "a station did not end in 120 s";
            EXPECT_EQ(process->exitCode(), 0);
            lines += QString::fromUtf8(process->readAllStandardOutput())
                         .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        }
        return lines;
    }

    static inline std::unique_ptr<PgServer> server;
    static inline bool started = false;
    QString address;
    QString database;
};

TEST_F(SqlRegisterTest, FourStationsAtOnceNeverShareANumber)
{
    std::vector<QStringList> stations;
    for (int s = 1; s <= 4; ++s)
        stations.push_back({address, QStringLiteral("line%1").arg(s), QStringLiteral("SN-"),
                            QStringLiteral("250"), QStringLiteral("HXKT4R%1-").arg(s)});
    const QStringList lines = runStations(stations);
    QSet<QString> serials;
    for (const QString &line : lines) {
        const QStringList words = line.split(QLatin1Char(' '));
        ASSERT_EQ(words.value(0), "printed") << qPrintable(line);
        serials.insert(words.value(2));
    }
    EXPECT_EQ(lines.size(), 1000);
    EXPECT_EQ(serials.size(), 1000);

    auto reg = station(QStringLiteral("office"));
    const std::vector<Label> rows = exported(*reg);
    ASSERT_EQ(rows.size(), 1000u);
    QSet<QString> recorded;
    QMap<QString, int> perStation;
    for (const Label &row : rows) {
        EXPECT_EQ(row.state, State::Printed) << qPrintable(row.serial);
        recorded.insert(row.serial);
        ++perStation[row.station];
    }
    EXPECT_EQ(recorded, serials);
    for (int s = 1; s <= 4; ++s)
        EXPECT_EQ(perStation.value(QStringLiteral("line%1").arg(s)), 250) << s;
    EXPECT_EQ(exported(*reg, {QDateTime(), QStringLiteral("line3")}).size(), 250u);
    QString next;
    ASSERT_EQ(reg->peekNext(QStringLiteral("SN-"), &next), OmbrixLabelRegister::kOk);
    EXPECT_EQ(next, "SN-01001"); // no number lost either
}

// Two stations let go at the same instant on the same code, 50 times over.
TEST_F(SqlRegisterTest, OneCodeScannedAtTwoStationsAtOncePrintsOnce)
{
    const int rounds = 50;
    std::mutex lock;
    std::condition_variable turn;
    int arrived = 0; // under lock
    int round = 0;   // under lock
    const auto meet = [&] {
        std::unique_lock<std::mutex> guard(lock);
        const int mine = round;
        if (++arrived == 2) {
            arrived = 0;
            ++round;
            turn.notify_all();
        } else {
            EXPECT_TRUE(turn.wait_for(guard, std::chrono::seconds(30), [&] {
                return round != mine;
            })) << "the other station did not arrive in 30 s";
        }
    };
    std::vector<int> results[2];
    std::vector<Label> labels[2], earlier[2];
    std::vector<std::thread> threads;
    for (int s = 0; s < 2; ++s) {
        threads.emplace_back([&, s] {
            OmbrixSqlLabelRegister reg(address, QStringLiteral("line%1").arg(s + 1));
            EXPECT_EQ(reg.open(), OmbrixLabelRegister::kOk) << qPrintable(reg.lastError());
            for (int i = 0; i < rounds; ++i) {
                Label l = label(QStringLiteral("HXKT4RRACE%1").arg(i)), before;
                meet();
                results[s].push_back(reg.reserve(l, false, &before));
                if (results[s].back() == OmbrixLabelRegister::kOk) {
                    l.state = State::Printed;
                    EXPECT_EQ(reg.finish(l), OmbrixLabelRegister::kOk);
                }
                labels[s].push_back(l);
                earlier[s].push_back(before);
            }
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    ASSERT_EQ(results[0].size(), size_t(rounds));
    ASSERT_EQ(results[1].size(), size_t(rounds));
    for (int i = 0; i < rounds; ++i) {
        const int winner = results[0][i] == OmbrixLabelRegister::kOk ? 0 : 1;
        const int loser = 1 - winner;
        ASSERT_EQ(results[winner][i], OmbrixLabelRegister::kOk) << "round " << i;
        ASSERT_EQ(results[loser][i], OmbrixLabelRegister::kPrintedBefore) << "round " << i;
        // The question names where and as what the code was printed.
        EXPECT_EQ(earlier[loser][i].station, QStringLiteral("line%1").arg(winner + 1));
        EXPECT_EQ(earlier[loser][i].serial, labels[winner][i].serial);
    }
    // The loser's statement took no number: the 50 labels are SN-00001 to SN-00050.
    const std::vector<Label> rows = exported(*station(QStringLiteral("office")));
    ASSERT_EQ(rows.size(), size_t(rounds));
    QSet<QString> serials;
    for (const Label &row : rows)
        serials.insert(row.serial);
    for (int n = 1; n <= rounds; ++n)
        EXPECT_TRUE(serials.contains(OmbrixLabelRegister::formatSerial("SN-", n))) << n;
}

TEST_F(SqlRegisterTest, ServerKilledMidRunRefusesLabelsAndReusesNoNumber)
{
    std::vector<std::unique_ptr<QProcess>> stations;
    for (int s = 1; s <= 2; ++s) {
        stations.push_back(std::make_unique<QProcess>());
        stations.back()->start(testBinDir() + QStringLiteral("/register-station"),
                               {address, QStringLiteral("line%1").arg(s), QStringLiteral("SN-"),
                                QStringLiteral("600"), QStringLiteral("HXKT4R%1-").arg(s),
                                QStringLiteral("5")});
    }
    QByteArray output[2];
    const auto readUntil = [&](const char *word, int atLeast, int seconds) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < seconds * 1000) {
            int seen = 0;
            for (int s = 0; s < 2; ++s) {
                stations[s]->waitForReadyRead(20);
                output[s] += stations[s]->readAllStandardOutput();
                seen += output[s].count(word);
            }
            if (seen >= atLeast)
                return true;
        }
        return false;
    };
    ASSERT_TRUE(readUntil("printed", 100, 60)) << "100 labels not printed in 60 s";
    ASSERT_TRUE(server->stop("immediate"));
    ASSERT_TRUE(readUntil("refused", 10, 60)) << "labels still printed with the server gone";
    QString error;
    ASSERT_TRUE(server->start(&error)) << qPrintable(error);
    for (int s = 0; s < 2; ++s) {
        ASSERT_TRUE(stations[s]->waitForFinished(120000)) << "a station did not end in 120 s";
        output[s] += stations[s]->readAllStandardOutput();
    }

    auto reg = station(QStringLiteral("office"));
    QMap<QString, Label> rows; // by serial
    for (const Label &row : exported(*reg)) {
        EXPECT_FALSE(rows.contains(row.serial)) << "number given twice: " << qPrintable(row.serial);
        rows.insert(row.serial, row);
    }
    int printed = 0, refused = 0, printedAfterRefusal = 0;
    for (const QByteArray &station : output) {
        bool seenRefusal = false;
        for (const QString &line : QString::fromUtf8(station).split('\n', Qt::SkipEmptyParts)) {
            const QStringList words = line.split(QLatin1Char(' '));
            if (words[0] == QLatin1String("refused")) {
                ++refused;
                seenRefusal = true;
                continue;
            }
            // A label that went to the printer has its row, printed or still reserved.
            ASSERT_TRUE(words[0] == QLatin1String("printed") ||
                        words[0] == QLatin1String("unrecorded"))
                << qPrintable(line);
            ++printed;
            printedAfterRefusal += seenRefusal;
            ASSERT_TRUE(rows.contains(words[2])) << "no row for " << qPrintable(line);
            EXPECT_EQ(rows[words[2]].code, words[1]);
            // An "unrecorded" finish may still have committed: the server can die after the
            // commit and before its answer reaches the station.
            if (words[0] == QLatin1String("printed"))
                EXPECT_EQ(rows[words[2]].state, State::Printed) << qPrintable(line);
            else
                EXPECT_TRUE(rows[words[2]].state == State::Reserved ||
                            rows[words[2]].state == State::Printed)
                    << qPrintable(line);
        }
    }
    std::printf("%d labels printed, %d refused while the server was away\n", printed, refused);
    EXPECT_EQ(printed + refused, 1200);
    EXPECT_GE(refused, 10);
    EXPECT_GT(printedAfterRefusal, 0) << "nothing printed after the restart";
}

// A failed label keeps its number with the reason and frees its code; a refused scan takes
// no number; the caller may not choose numbers; a newer layout is left alone.
TEST_F(SqlRegisterTest, FailedLabelsLeaveAGapWithTheirReason)
{
    auto reg = station(QStringLiteral("line1"));
    Label first = label(QStringLiteral("HXKT4R00A1B2"));
    ASSERT_EQ(reg->reserve(first, false, nullptr), OmbrixLabelRegister::kOk)
        << qPrintable(reg->lastError());
    first.state = State::Failed;
    first.reason = QStringLiteral("printer out of paper");
    ASSERT_EQ(reg->finish(first), OmbrixLabelRegister::kOk);
    Label retry = label(QStringLiteral("HXKT4R00A1B2"));
    ASSERT_EQ(reg->reserve(retry, false, nullptr), OmbrixLabelRegister::kOk);
    retry.state = State::Printed;
    ASSERT_EQ(reg->finish(retry), OmbrixLabelRegister::kOk);
    Label refused = label(QStringLiteral("HXKT4R00A1B3"));
    refused.state = State::Refused;
    refused.reason = QStringLiteral("no model");
    ASSERT_EQ(reg->note(refused), OmbrixLabelRegister::kOk);
    Label reprint = label(QStringLiteral("HXKT4R00A1B2"));
    ASSERT_EQ(reg->reserve(reprint, true, nullptr), OmbrixLabelRegister::kOk);
    Label chosen = label(QStringLiteral("HXKT4R00A1B4"));
    chosen.serial = QStringLiteral("SN-00077");
    EXPECT_EQ(reg->reserve(chosen, false, nullptr), OmbrixLabelRegister::kNotSupported);

    QBuffer csv;
    csv.open(QIODevice::WriteOnly);
    ASSERT_EQ(reg->exportCsv({}, &csv), OmbrixLabelRegister::kOk);
    QStringList results;
    for (const QByteArray &line : csv.data().split('\n'))
        results << QString::fromUtf8(line.mid(line.indexOf(',') + 1));
    EXPECT_EQ(results,
              QStringList({"code,model,serial,printer,dot_pitch,result,format",
                           "HXKT4R00A1B2,KT4X-Q2,SN-00001,OMBRIX_T1,0.85,failed: printer "
                           "out of paper,2",
                           "HXKT4R00A1B2,KT4X-Q2,SN-00002,OMBRIX_T1,0.85,printed,2",
                           "HXKT4R00A1B3,KT4X-Q2,,OMBRIX_T1,0.85,refused: no model,2",
                           "HXKT4R00A1B2,KT4X-Q2,SN-00003,OMBRIX_T1,0.85,reserved,2", ""}));

    // A register laid out by a later program is not written to.
    server->sql(database, QStringLiteral("UPDATE lankit_schema SET version = 2"));
    auto newer = station(QStringLiteral("line2"));
    Label later = label(QStringLiteral("HXKT4R00A1B5"));
    EXPECT_EQ(newer->reserve(later, false, nullptr), OmbrixLabelRegister::kUnavailable);
    EXPECT_TRUE(newer->lastError().contains(QLatin1String("newer")))
        << qPrintable(newer->lastError());
}

// A server that takes the connection and never answers costs a scan the connect time-out,
// not a hang; nothing is recorded.
TEST_F(SqlRegisterTest, SilentServerIsGivenUpAfterTheConnectTimeOut)
{
    QTcpServer silent; // accepted by the kernel, never answered
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    OmbrixSqlLabelRegister reg(
        QStringLiteral("postgresql://lankit@127.0.0.1:%1/x").arg(silent.serverPort()),
        QStringLiteral("line1"));
    QElapsedTimer timer;
    timer.start();
    Label l = label(QStringLiteral("HXKT4R00A1B2"));
    EXPECT_EQ(reg.reserve(l, false, nullptr), OmbrixLabelRegister::kUnavailable);
    EXPECT_GE(timer.elapsed(), 2000);
    EXPECT_LT(timer.elapsed(), 8000);
    EXPECT_TRUE(reg.lastError().contains(QLatin1String("cannot reach")))
        << qPrintable(reg.lastError());
}

// Another station stopped inside its transaction (here psql holding the prefix's counter)
// costs a label the lock time-out, not the line; the refused label takes no number.
TEST_F(SqlRegisterTest, StationHeldInsideItsTransactionCostsALabelTheLockWait)
{
    auto reg = station(QStringLiteral("line1"));
    Label first = label(QStringLiteral("HXKT4R00A1B2"));
    ASSERT_EQ(reg->reserve(first, false, nullptr), OmbrixLabelRegister::kOk)
        << qPrintable(reg->lastError());
    const int holdSeconds = OmbrixSqlLabelRegister::kLockWaitSeconds + 3;
    std::thread holder([&] {
        server->sql(database, QStringLiteral("BEGIN; SELECT last_number FROM lankit_serials"
                                             " FOR UPDATE; SELECT pg_sleep(%1); COMMIT")
                                  .arg(holdSeconds));
    });
    const QString waiting = QStringLiteral(
        "SELECT count(*) FROM pg_stat_activity WHERE query LIKE '%pg_sleep%' AND pid <> "
        "pg_backend_pid()");
    QElapsedTimer timer;
    timer.start();
    while (server->sql(database, waiting) != QLatin1String("1") && timer.elapsed() < 10000)
        QThread::msleep(20);

    timer.start();
    Label second = label(QStringLiteral("HXKT4R00A1B3"));
    EXPECT_EQ(reg->reserve(second, false, nullptr), OmbrixLabelRegister::kUnavailable);
    EXPECT_GE(timer.elapsed(), OmbrixSqlLabelRegister::kLockWaitSeconds * 1000 - 100);
    EXPECT_LT(timer.elapsed(), holdSeconds * 1000);
    EXPECT_TRUE(reg->lastError().contains(QLatin1String("lock timeout")))
        << qPrintable(reg->lastError());
    holder.join();
    ASSERT_EQ(reg->reserve(second, false, nullptr), OmbrixLabelRegister::kOk)
        << qPrintable(reg->lastError());
    EXPECT_EQ(second.serial, "SN-00002");
}

TEST_F(SqlRegisterTest, ImportOfALargeFileRoundTripsAndHappensOnce)
{
    const int lines = soakSize(100000, 10000);
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/labels.csv");
    QByteArray file = QByteArray(OmbrixLabelLog::kHeader) + '\n';
    const char *const awkward[] = {
        "=1+1", "-5",    "@x",         "a\tb", "a\r\nb",
        "a\\b", "\\x0D", "say \"hi\"", "a,b",  "\xe6\xa0\x87\xe7\xad\xbe"};
    const char *const results[] = {"printed", "failed: printer out of paper", "refused: no model",
                                   "skipped: printed before"};
    OmbrixLabelLog::Entry entry;
    const QDateTime start(QDate(2026, 3, 1), QTime(8, 0));
    for (int i = 0; i < lines; ++i) {
        entry.time = start.addMSecs(qint64(i) * 1500 + i % 7);
        // Every 10th code was printed twice, as an operator's reprint.
        entry.code = QStringLiteral("HXKT4R%1").arg(i - (i % 10 == 9), 8, 10, QLatin1Char('0'));
        entry.model =
            i % 1000 == 0 ? QString::fromUtf8(awkward[(i / 1000) % 10]) : QStringLiteral("KT4X-Q2");
        entry.serial = i % 2 ? QStringLiteral("SN-%1").arg(i + 1, 5, 10, QLatin1Char('0'))
                             : QStringLiteral("LINE2-%1").arg(i, 5, 10, QLatin1Char('0'));
        entry.printer = QStringLiteral("OMBRIX_T1");
        entry.pitch = i % 3 ? 0.85 : 1.2512;
        entry.result = QString::fromLatin1(results[i % 4]);
        file += OmbrixLabelLog::formatLine(entry) + '\n';
    }
    {
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(file);
    }
    auto reg = station(QStringLiteral("line1"));
    OmbrixLabelRegister::ImportCounts counts;
    QElapsedTimer timer;
    timer.start();
    ASSERT_EQ(reg->importCsv(path, &counts), OmbrixLabelRegister::kOk)
        << qPrintable(reg->lastError());
    std::printf("imported %d lines in %lld ms\n", lines, static_cast<long long>(timer.elapsed()));
    EXPECT_EQ(counts.added, lines);
    EXPECT_EQ(counts.unreadable, 1); // the header

    QBuffer again;
    again.open(QIODevice::WriteOnly);
    ASSERT_EQ(reg->exportCsv({}, &again), OmbrixLabelRegister::kOk);
    EXPECT_TRUE(again.data() == file) << "the export differs from the file imported";

    ASSERT_EQ(reg->importCsv(path, &counts), OmbrixLabelRegister::kOk);
    EXPECT_EQ(counts.added, 0);
    EXPECT_EQ(counts.present, lines);
    EXPECT_EQ(exported(*reg).size(), size_t(lines));
    // New labels follow the highest number imported, and the guard knows the imported codes.
    QString next;
    ASSERT_EQ(reg->peekNext(QStringLiteral("SN-"), &next), OmbrixLabelRegister::kOk);
    EXPECT_EQ(next, OmbrixLabelRegister::formatSerial(QStringLiteral("SN-"), lines + 1));
    Label seen = label(QStringLiteral("HXKT4R00000004")), earlier;
    EXPECT_EQ(reg->reserve(seen, false, &earlier), OmbrixLabelRegister::kPrintedBefore);
    EXPECT_EQ(earlier.serial, "LINE2-00004");
    // Line i was written 1.5 s after line i - 1: the last fifth is newer than its first line.
    const int since = lines / 5 * 4;
    EXPECT_EQ(exported(*reg, {start.addMSecs(qint64(since) * 1500), QString()}).size(),
              size_t(lines - since));
}

TEST_F(SqlRegisterTest, PasswordNeverReachesLogConfigurationOrProcessList)
{
    ScopedAppDir app;
    LogCapture log;
    {
        QSettings ini(JXConfigure::filePath(), QSettings::IniFormat);
        ini.setValue(OmbrixLabelRegister::kRegisterKey, address);
        ini.setValue(OmbrixLabelRegister::kStationKey, QStringLiteral("line7"));
    }
    auto reg = OmbrixLabelRegister::fromConfiguration();
    ASSERT_TRUE(reg->allocates());
    EXPECT_EQ(reg->station(), "line7");
    Label l = label(QStringLiteral("HXKT4R00A1B2"));
    ASSERT_EQ(reg->reserve(l, false, nullptr), OmbrixLabelRegister::kOk)
        << qPrintable(reg->lastError());
    const QByteArray processes = processList(); // the register's connection is open now
    l.state = State::Printed;
    ASSERT_EQ(reg->finish(l), OmbrixLabelRegister::kOk);

    // A password written into the address is refused, and not repeated.
    QString withPassword = address;
    withPassword.replace(QStringLiteral("lankit@"),
                         QStringLiteral("lankit:%1@").arg(server->password()));
    OmbrixSqlLabelRegister refused(withPassword, QStringLiteral("line7"));
    EXPECT_EQ(refused.open(), OmbrixLabelRegister::kUnavailable);
    // A wrong one in .pgpass is answered by the server, which does not repeat it either.
    const QByteArray pgpass = qgetenv("PGPASSFILE");
    QFile wrong(QDir(app.path()).filePath(QStringLiteral("wrong-pgpass")));
    ASSERT_TRUE(wrong.open(QIODevice::WriteOnly));
    wrong.write(QStringLiteral("*:*:*:*:%1-wrong\n").arg(server->password()).toUtf8());
    wrong.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    wrong.close();
    qputenv("PGPASSFILE", QFile::encodeName(wrong.fileName()));
    OmbrixSqlLabelRegister denied(address, QStringLiteral("line7"));
    EXPECT_EQ(denied.open(), OmbrixLabelRegister::kUnavailable);
    qputenv("PGPASSFILE", pgpass);

    const QByteArray secret = server->password().toUtf8();
    EXPECT_FALSE(refused.lastError().contains(server->password()))
        << qPrintable(refused.lastError());
    EXPECT_FALSE(denied.lastError().contains(server->password())) << qPrintable(denied.lastError());
    EXPECT_TRUE(denied.lastError().contains(QLatin1String("password authentication failed")))
        << qPrintable(denied.lastError());
    EXPECT_FALSE(log.lines().join('\n').toUtf8().contains(secret));
    EXPECT_GT(log.size(), 0);
    EXPECT_FALSE(contents(JXConfigure::filePath()).contains(secret));
    EXPECT_FALSE(processes.contains(secret));
    EXPECT_TRUE(processes.contains("postgres")) << "the process list was not read";
}

} // namespace
