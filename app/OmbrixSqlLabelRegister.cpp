#include "app/OmbrixSqlLabelRegister.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QFile>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

#include <atomic>
#include <vector>

namespace {
const char kDriver[] = "QPSQL";
// SQLSTATE of a unique constraint violated: another station holds the code.
const char kUniqueViolation[] = "23505";
// The advisory lock that makes creating the tables and importing one station at a time.
const qint64 kSchemaLock = 0x6c616e6b69740001;
// Rows sent in one statement by an import.
const size_t kImportBatch = 1000;
// Longest labels.csv line an import reads; longer ones are not labels the program wrote.
const qint64 kMaxLineBytes = 64 * 1024;
// A server that is gone without a word (a cable pulled, a machine frozen) is noticed by
// TCP keepalives after about idle + interval x count seconds, and data it never
// acknowledges ends the connection after kUnacknowledgedMs, rather than the system's
// quarter of an hour.
const int kKeepaliveIdleSeconds = 5;
const int kKeepaliveIntervalSeconds = 2;
const int kKeepaliveCount = 3;
const int kUnacknowledgedMs = 10000;

// What an address's query may set besides the host, port, user and database. The password
// is not one of them, and nothing that would let a value carry spaces or quotes past the
// driver's option string.
const char *const kAddressOptions[] = {
    "host",
    "hostaddr",
    "port",
    "dbname",
    "user",
    "sslmode",
    "sslcert",
    "sslkey",
    "sslrootcert",
    "sslcrl",
    "passfile",
    "application_name",
    "target_session_attrs",
};

// Layout version 1. The code may hold a label once among the rows that are printed or on
// their way (guarded: not a reprint the operator asked for, not an import); a number is
// given once per prefix among the rows the register numbered itself.
const char *const kSchema[] = {
    "CREATE TABLE lankit_serials ("
    " prefix text PRIMARY KEY,"
    " last_number bigint NOT NULL CHECK (last_number >= 0))",
    "CREATE TABLE lankit_labels ("
    " id bigserial PRIMARY KEY,"
    " time timestamptz NOT NULL,"
    " finished timestamptz,"
    " code text NOT NULL,"
    " model text NOT NULL,"
    " serial text NOT NULL,"
    " serial_prefix text,"
    " serial_number bigint,"
    " station text NOT NULL,"
    " printer text NOT NULL,"
    " dot_pitch double precision,"
    " state text NOT NULL"
    "  CHECK (state IN ('reserved', 'printed', 'failed', 'refused', 'skipped')),"
    " reason text NOT NULL,"
    " guarded boolean NOT NULL,"
    " program_version text NOT NULL,"
    " import_key text UNIQUE)",
    "CREATE UNIQUE INDEX lankit_labels_number ON lankit_labels (serial_prefix, serial_number)"
    " WHERE import_key IS NULL AND serial_number IS NOT NULL",
    "CREATE UNIQUE INDEX lankit_labels_code_once ON lankit_labels (code)"
    " WHERE guarded AND state IN ('reserved', 'printed')",
    "CREATE INDEX lankit_labels_code ON lankit_labels (code)",
    "CREATE INDEX lankit_labels_time ON lankit_labels (time)",
};

// The columns a Label is read from, in readLabel()'s order.
const char kLabelColumns[] =
    "id, (extract(epoch FROM time) * 1000)::bigint, code, model, serial, serial_prefix,"
    " serial_number, station, printer, dot_pitch, state, reason, program_version";

// The next number of a prefix and the label's row, in one statement: when the row cannot
// be written (the code is held) the counter is left as it was. A code printed before is
// seen here; two stations reserving one code at once meet at the unique index.
const char kReserve[] =
    "WITH n AS ("
    " INSERT INTO lankit_serials AS s (prefix, last_number)"
    " SELECT CAST(:prefix AS text), 1"
    " WHERE CAST(:repeat AS boolean) OR NOT EXISTS (SELECT 1 FROM lankit_labels"
    "  WHERE code = CAST(:code AS text) AND state IN ('reserved', 'printed'))"
    " ON CONFLICT (prefix) DO UPDATE SET last_number = s.last_number + 1"
    " RETURNING last_number)"
    " INSERT INTO lankit_labels (time, code, model, serial, serial_prefix, serial_number,"
    "  station, printer, dot_pitch, state, reason, guarded, program_version)"
    " SELECT now(), :code, :model, CAST(:prefix AS text) || CASE WHEN n.last_number < 100000"
    "  THEN lpad(n.last_number::text, 5, '0') ELSE n.last_number::text END,"
    "  :prefix, n.last_number, :station, :printer, CAST(:pitch AS double precision),"
    "  'reserved', '', NOT CAST(:repeat AS boolean), :version FROM n"
    " RETURNING id, (extract(epoch FROM time) * 1000)::bigint, serial, serial_number";

const char kFinish[] =
    "UPDATE lankit_labels SET state = :state, reason = :reason, printer = :printer,"
    " dot_pitch = CAST(:pitch AS double precision), finished = now()"
    " WHERE id = :id AND state = 'reserved'";

const char kNote[] =
    "INSERT INTO lankit_labels (time, code, model, serial, station, printer, dot_pitch, state,"
    " reason, guarded, program_version)"
    " VALUES (now(), :code, :model, :serial, :station, :printer,"
    " CAST(:pitch AS double precision), :state, :reason, false, :version)"
    " RETURNING id, (extract(epoch FROM time) * 1000)::bigint";

std::atomic<int> connectionCount{0};

QVariant pitchValue(double pitch)
{
    return pitch > 0 ? QVariant(pitch) : QVariant(QVariant::Double);
}

// Qt sends a null text as NULL; every text column holds "" instead.
QVariant textValue(const QString &text)
{
    return text.isNull() ? QVariant(QStringLiteral("")) : QVariant(text);
}

QString stateName(OmbrixLabelRegister::State state)
{
    OmbrixLabelRegister::Label label;
    label.state = state;
    return label.resultText();
}

// How a label's printing ended, as finishing it and noting it both store it.
void bindOutcome(QSqlQuery &query, const OmbrixLabelRegister::Label &label)
{
    query.bindValue(QStringLiteral(":state"), stateName(label.state));
    query.bindValue(QStringLiteral(":reason"), textValue(label.reason));
    query.bindValue(QStringLiteral(":printer"), textValue(label.printer));
    query.bindValue(QStringLiteral(":pitch"), pitchValue(label.pitch));
}

OmbrixLabelRegister::Label readLabel(const QSqlQuery &query)
{
    OmbrixLabelRegister::Label label;
    label.id = query.value(0).toLongLong();
    label.time = QDateTime::fromMSecsSinceEpoch(query.value(1).toLongLong());
    label.code = query.value(2).toString();
    label.model = query.value(3).toString();
    label.serial = query.value(4).toString();
    label.prefix = query.value(5).toString();
    label.number = query.value(6).isNull() ? -1 : query.value(6).toLongLong();
    label.station = query.value(7).toString();
    label.printer = query.value(8).toString();
    label.pitch = query.value(9).toDouble();
    label.setResultText(query.value(10).toString());
    label.reason = query.value(11).toString();
    label.version = query.value(12).toString();
    return label;
}

QString percentDecoded(const QString &text)
{
    return QUrl::fromPercentEncoding(text.toUtf8());
}

// A value the driver's option string can carry as it is.
bool isPlainOption(const QString &value)
{
    for (const QChar c : value) {
        if (c.isSpace() || c == QLatin1Char('\'') || c == QLatin1Char('"') ||
            c == QLatin1Char('\\') || c == QLatin1Char(';') || c.unicode() < 0x20)
            return false;
    }
    return !value.isEmpty();
}

bool isAddressOption(const QString &key)
{
    for (const char *known : kAddressOptions) {
        if (key == QLatin1String(known))
            return true;
    }
    return false;
}

// A string literal for the server, which is told that backslashes are plain characters.
QString literal(const QString &text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

// Runs one statement; the server's reason in *why when it fails.
bool exec(QSqlQuery &query, const QString &sql, QString *why)
{
    if (query.exec(sql))
        return true;
    *why = query.lastError().text();
    return false;
}

// Opens a transaction that holds the schema lock until it ends. It waits for the lock
// without the session's lock time-out: another station's import may rightly hold it for
// longer than a label may wait, and a frozen holder is ended by the server.
bool beginLocked(QSqlDatabase &db, QSqlQuery &query, QString *why)
{
    return db.transaction() && exec(query, QStringLiteral("SET LOCAL lock_timeout = 0"), why) &&
           exec(query, QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(kSchemaLock), why);
}

// Ends the transaction; the server's reason in *why when the commit fails.
bool commit(QSqlDatabase &db, QString *why)
{
    if (db.commit())
        return true;
    *why = db.lastError().text();
    return false;
}
} // namespace

// The prepared statements of one connection.
struct OmbrixSqlLabelRegister::Statements
{
    explicit Statements(const QSqlDatabase &db)
        : reserve(db), finish(db), note(db), find(db), peek(db)
    {}
    bool prepare()
    {
        return reserve.prepare(QLatin1String(kReserve)) && finish.prepare(QLatin1String(kFinish)) &&
               note.prepare(QLatin1String(kNote)) &&
               find.prepare(QStringLiteral("SELECT %1 FROM lankit_labels WHERE code = :code AND"
                                           " state IN ('reserved', 'printed')"
                                           " ORDER BY id DESC LIMIT 1")
                                .arg(QLatin1String(kLabelColumns))) &&
               peek.prepare(
                   QStringLiteral("SELECT last_number FROM lankit_serials WHERE prefix = :prefix"));
    }
    QSqlQuery reserve, finish, note, find, peek;
};

// One labels.csv line as an import sends it.
struct OmbrixSqlLabelRegister::ImportRow
{
    QString key; // the line's digest and how many equal lines came before it
    Label label;
};

// Reads a labels.csv a batch of rows at a time, so that a file of any length costs one
// batch of memory (and a digest per distinct line).
struct OmbrixSqlLabelRegister::ImportReader
{
    bool open(const QString &path)
    {
        file.setFileName(path);
        return file.open(QIODevice::ReadOnly);
    }
    bool atEnd() const { return file.atEnd(); }

    // Up to max rows in *batch (emptied first).
    void next(std::vector<ImportRow> *batch, size_t max)
    {
        batch->clear();
        while (batch->size() < max && !file.atEnd()) {
            QByteArray line = file.readLine(kMaxLineBytes);
            const bool whole = line.endsWith('\n') || file.atEnd();
            const bool skip = inLongLine || !whole;
            inLongLine = !whole;
            while (line.endsWith('\n') || line.endsWith('\r'))
                line.chop(1);
            ImportRow row;
            if (skip || !read(line, &row.label)) {
                ++unreadable;
                continue;
            }
            // Equal lines are equal labels: the n-th of them is the same row in every import.
            const QByteArray digest =
                QCryptographicHash::hash(line, QCryptographicHash::Sha1).toHex();
            row.key =
                QString::fromLatin1(digest) + QLatin1Char(':') + QString::number(copies[digest]++);
            batch->push_back(std::move(row));
            ++rows;
        }
    }

    static bool read(const QByteArray &line, Label *label)
    {
        OmbrixLabelLog::Entry entry;
        // The server's text holds no NUL; such a line is no label the program wrote.
        return OmbrixLabelLog::parseLine(line, &entry) && entry.time.isValid() &&
               label->fromEntry(entry) && !line.contains('\0') &&
               !(entry.code + entry.model + entry.serial + entry.printer + entry.result)
                    .contains(QChar(0));
    }

    QFile file;
    QHash<QByteArray, int> copies;
    bool inLongLine = false;
    qint64 rows = 0;
    qint64 unreadable = 0;
};

bool OmbrixSqlLabelRegister::isAddress(const QString &text)
{
    return text.startsWith(QLatin1String("postgresql://")) ||
           text.startsWith(QLatin1String("postgres://"));
}

bool OmbrixSqlLabelRegister::parseAddress(const QString &text, Address *address, QString *error)
{
    *address = Address();
    if (!isAddress(text)) {
        *error = QStringLiteral("not a postgresql:// address");
        return false;
    }
    QString rest = text.mid(text.indexOf(QLatin1String("://")) + 3);
    const int question = rest.indexOf(QLatin1Char('?'));
    const QString query = question < 0 ? QString() : rest.mid(question + 1);
    rest = rest.left(question < 0 ? rest.size() : question);
    const int slash = rest.indexOf(QLatin1Char('/'));
    address->database = slash < 0 ? QString() : percentDecoded(rest.mid(slash + 1));
    rest = rest.left(slash < 0 ? rest.size() : slash);
    const int at = rest.lastIndexOf(QLatin1Char('@'));
    if (at >= 0) {
        const QString user = rest.left(at);
        if (user.contains(QLatin1Char(':'))) {
            *error = QStringLiteral("the address holds a password; keep it in .pgpass instead");
            return false;
        }
        address->user = percentDecoded(user);
        rest = rest.mid(at + 1);
    }
    // host, [v6 address] or host:port
    int colon = rest.lastIndexOf(QLatin1Char(':'));
    if (rest.startsWith(QLatin1Char('['))) {
        const int close = rest.indexOf(QLatin1Char(']'));
        colon = close >= 0 && rest.size() > close + 1 && rest.at(close + 1) == QLatin1Char(':')
                    ? close + 1
                    : -1;
        address->host = rest.mid(1, (close < 0 ? rest.size() : close) - 1);
    } else {
        address->host = percentDecoded(rest.left(colon < 0 ? rest.size() : colon));
    }
    if (colon >= 0) {
        bool ok = false;
        address->port = rest.mid(colon + 1).toInt(&ok);
        if (!ok || address->port < 1 || address->port > 65535) {
            *error = QStringLiteral("the address's port is not a number from 1 to 65535");
            return false;
        }
    }
    for (const QString &item : query.split(QLatin1Char('&'), Qt::SkipEmptyParts)) {
        const int equals = item.indexOf(QLatin1Char('='));
        const QString key = percentDecoded(item.left(equals));
        const QString value = percentDecoded(equals < 0 ? QString() : item.mid(equals + 1));
        if (key == QLatin1String("password")) {
            *error = QStringLiteral("the address holds a password; keep it in .pgpass instead");
            return false;
        }
        if (!isAddressOption(key) || !isPlainOption(value)) {
            *error = QStringLiteral("the address's setting \"%1\" is not one the register takes")
                         .arg(key.left(40));
            return false;
        }
        address->options << key + QLatin1Char('=') + value;
    }
    for (const QString *part : {&address->host, &address->user, &address->database}) {
        if (!part->isEmpty() && !isPlainOption(*part)) {
            *error = QStringLiteral("the address holds spaces, quotes or control characters");
            return false;
        }
    }
    address->options << QStringLiteral("connect_timeout=%1").arg(kConnectSeconds)
                     << QStringLiteral("keepalives=1")
                     << QStringLiteral("keepalives_idle=%1").arg(kKeepaliveIdleSeconds)
                     << QStringLiteral("keepalives_interval=%1").arg(kKeepaliveIntervalSeconds)
                     << QStringLiteral("keepalives_count=%1").arg(kKeepaliveCount)
                     << QStringLiteral("tcp_user_timeout=%1").arg(kUnacknowledgedMs);
    return true;
}

OmbrixSqlLabelRegister::OmbrixSqlLabelRegister(const QString &text, const QString &station)
    : OmbrixLabelRegister(station), addressText(text),
      connection(QStringLiteral("lankit label register %1").arg(++connectionCount))
{
    addressOk = parseAddress(text, &address, &addressError);
}

OmbrixSqlLabelRegister::~OmbrixSqlLabelRegister()
{
    disconnect();
}

bool OmbrixSqlLabelRegister::allocates() const
{
    return true;
}

QString OmbrixSqlLabelRegister::where() const
{
    if (!addressOk)
        return QStringLiteral("postgresql://");
    QString text = QStringLiteral("postgresql://");
    if (!address.user.isEmpty())
        text += address.user + QLatin1Char('@');
    text += address.host.contains(QLatin1Char(':')) ? QStringLiteral("[%1]").arg(address.host)
                                                    : address.host;
    if (address.port)
        text += QStringLiteral(":%1").arg(address.port);
    return text + QLatin1Char('/') + address.database;
}

int OmbrixSqlLabelRegister::open()
{
    return connectOnce();
}

int OmbrixSqlLabelRegister::connectOnce()
{
    if (statements)
        return kOk;
    if (!addressOk)
        return fail(kUnavailable, QStringLiteral("label register: ") + addressError);
    if (!QSqlDatabase::isDriverAvailable(QLatin1String(kDriver)))
        return fail(kUnavailable, QStringLiteral("Qt's PostgreSQL driver is missing"
                                                 " (package libqt5sql5-psql)"));
    QString why;
    const int result = openConnection(&why);
    if (result == kOk) {
        qDebug() << "label register" << where() << "reached, station" << station();
        return kOk;
    }
    // The connection's handles are gone by now, so that it can be removed.
    disconnect();
    if (result == kSchemaTooNew)
        return fail(kUnavailable, why);
    return lost(QStringLiteral("cannot reach"), why);
}

int OmbrixSqlLabelRegister::openConnection(QString *why)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QLatin1String(kDriver), connection);
    db.setHostName(address.host);
    if (address.port)
        db.setPort(address.port);
    db.setUserName(address.user);
    db.setDatabaseName(address.database);
    db.setConnectOptions(address.options.join(QLatin1Char(';')));
    if (!db.open()) {
        *why = db.lastError().text();
        return kUnavailable;
    }
    // Literals the import builds rely on backslashes being plain characters; the server's
    // notices (a table that exists already) are not for the operator.
    QSqlQuery set(db);
    if (!set.exec(QStringLiteral("SET standard_conforming_strings = on")) ||
        !set.exec(QStringLiteral("SET client_min_messages = warning")) ||
        !set.exec(QStringLiteral("SET idle_in_transaction_session_timeout = '%1s'")
                      .arg(kIdleInTransactionSeconds)) ||
        !set.exec(QStringLiteral("SET lock_timeout = '%1s'").arg(kLockWaitSeconds))) {
        *why = set.lastError().text();
        return kUnavailable;
    }
    if (const int schema = createSchema(db, why); schema != kOk)
        return schema;
    statements = std::make_unique<Statements>(db);
    if (!statements->prepare()) {
        *why = statements->reserve.lastError().text();
        statements.reset();
        return kUnavailable;
    }
    return kOk;
}

int OmbrixSqlLabelRegister::createSchema(QSqlDatabase &db, QString *why)
{
    QSqlQuery query(db);
    const auto run = [&](const QString &sql) {
        return exec(query, sql, why);
    };
    if (!beginLocked(db, query, why) ||
        !run(QStringLiteral(
            "CREATE TABLE IF NOT EXISTS lankit_schema (version integer NOT NULL)")) ||
        !run(QStringLiteral("SELECT max(version) FROM lankit_schema")) || !query.next())
        return kUnavailable;
    const int version = query.value(0).isNull() ? 0 : query.value(0).toInt();
    if (version > kSchemaVersion) {
        *why = QStringLiteral("the label register at %1 was laid out by a newer lankit"
                              " (version %2)")
                   .arg(where())
                   .arg(version);
        return kSchemaTooNew;
    }
    if (version == 0) {
        for (const char *sql : kSchema) {
            if (!run(QLatin1String(sql)))
                return kUnavailable;
        }
        if (!run(QStringLiteral("INSERT INTO lankit_schema VALUES (%1)").arg(kSchemaVersion)))
            return kUnavailable;
    }
    return commit(db, why) ? kOk : kUnavailable;
}

void OmbrixSqlLabelRegister::disconnect()
{
    statements.reset();
    if (!QSqlDatabase::contains(connection))
        return;
    QSqlDatabase::database(connection, false).close();
    QSqlDatabase::removeDatabase(connection);
}

int OmbrixSqlLabelRegister::lost(const QString &what, const QString &why)
{
    disconnect();
    const QString text =
        QStringLiteral("%1 the label register at %2: %3").arg(what, where(), why.simplified());
    qDebug().noquote() << text;
    return fail(kUnavailable, text);
}

int OmbrixSqlLabelRegister::execRead(QSqlQuery &query, const QString &name, const QVariant &value)
{
    query.bindValue(name, value);
    if (query.exec())
        return kOk;
    return lost(QStringLiteral("cannot read"), query.lastError().text());
}

int OmbrixSqlLabelRegister::reserve(Label &label, bool repeat, Label *earlier)
{
    if (!label.serial.isEmpty())
        return fail(kNotSupported,
                    QStringLiteral("the label register gives the serial numbers itself"));
    if (!isValidPrefix(label.prefix))
        return fail(kBadSerial, QStringLiteral("not a serial number prefix"));
    if (connectOnce() != kOk)
        return kUnavailable;
    QSqlQuery &query = statements->reserve;
    query.bindValue(QStringLiteral(":prefix"), textValue(label.prefix));
    query.bindValue(QStringLiteral(":repeat"), repeat);
    query.bindValue(QStringLiteral(":code"), textValue(label.code));
    query.bindValue(QStringLiteral(":model"), textValue(label.model));
    query.bindValue(QStringLiteral(":station"), textValue(station()));
    query.bindValue(QStringLiteral(":printer"), textValue(label.printer));
    query.bindValue(QStringLiteral(":pitch"), pitchValue(label.pitch));
    query.bindValue(QStringLiteral(":version"), QStringLiteral(LANKIT_VERSION));
    if (!query.exec()) {
        if (query.lastError().nativeErrorCode() != QLatin1String(kUniqueViolation))
            return lost(QStringLiteral("cannot write to"), query.lastError().text());
    } else if (query.next()) {
        label.id = query.value(0).toLongLong();
        label.time = QDateTime::fromMSecsSinceEpoch(query.value(1).toLongLong());
        label.serial = query.value(2).toString();
        label.number = query.value(3).toLongLong();
        label.station = station();
        label.version = QStringLiteral(LANKIT_VERSION);
        label.state = State::Reserved;
        label.reason.clear();
        query.finish();
        return kOk;
    }
    query.finish();
    // Held by a row that was there already, or by one another station wrote meanwhile.
    if (earlier && findPrinted(label.code, earlier) == kUnavailable)
        return kUnavailable;
    return fail(kPrintedBefore, QStringLiteral("printed before"));
}

int OmbrixSqlLabelRegister::finish(const Label &label)
{
    if (connectOnce() != kOk)
        return kUnavailable;
    QSqlQuery &query = statements->finish;
    bindOutcome(query, label);
    query.bindValue(QStringLiteral(":id"), label.id);
    if (!query.exec())
        return lost(QStringLiteral("cannot write to"), query.lastError().text());
    if (query.numRowsAffected() != 1)
        return fail(kUnavailable,
                    QStringLiteral("label %1 is not reserved in the register").arg(label.serial));
    return kOk;
}

int OmbrixSqlLabelRegister::note(Label &label)
{
    if (connectOnce() != kOk)
        return kUnavailable;
    QSqlQuery &query = statements->note;
    query.bindValue(QStringLiteral(":code"), textValue(label.code));
    query.bindValue(QStringLiteral(":model"), textValue(label.model));
    query.bindValue(QStringLiteral(":serial"), textValue(label.serial));
    query.bindValue(QStringLiteral(":station"), textValue(station()));
    bindOutcome(query, label);
    query.bindValue(QStringLiteral(":version"), QStringLiteral(LANKIT_VERSION));
    if (!query.exec() || !query.next())
        return lost(QStringLiteral("cannot write to"), query.lastError().text());
    label.id = query.value(0).toLongLong();
    label.time = QDateTime::fromMSecsSinceEpoch(query.value(1).toLongLong());
    label.station = station();
    label.version = QStringLiteral(LANKIT_VERSION);
    label.prefix.clear();
    label.number = -1;
    query.finish();
    return kOk;
}

int OmbrixSqlLabelRegister::findPrinted(const QString &code, Label *earlier)
{
    if (connectOnce() != kOk)
        return kUnavailable;
    QSqlQuery &query = statements->find;
    if (const int read = execRead(query, QStringLiteral(":code"), textValue(code)); read != kOk)
        return read;
    const bool found = query.next();
    if (found && earlier)
        *earlier = readLabel(query);
    query.finish();
    return found ? kPrintedBefore : kOk;
}

int OmbrixSqlLabelRegister::peekNext(const QString &prefix, QString *serial)
{
    if (!isValidPrefix(prefix))
        return fail(kBadSerial, QStringLiteral("not a serial number prefix"));
    if (connectOnce() != kOk)
        return kUnavailable;
    QSqlQuery &query = statements->peek;
    if (const int read = execRead(query, QStringLiteral(":prefix"), textValue(prefix)); read != kOk)
        return read;
    const qint64 last = query.next() ? query.value(0).toLongLong() : 0;
    query.finish();
    *serial = formatSerial(prefix, last + 1);
    return kOk;
}

int OmbrixSqlLabelRegister::exportRows(const Filter &filter,
                                       const std::function<void(const Label &)> &row)
{
    if (connectOnce() != kOk)
        return kUnavailable;
    QString why;
    if (!readRows(filter, row, &why))
        return lost(QStringLiteral("cannot read"), why);
    return kOk;
}

bool OmbrixSqlLabelRegister::readRows(const Filter &filter,
                                      const std::function<void(const Label &)> &row, QString *why)
{
    QString sql =
        QStringLiteral("SELECT %1 FROM lankit_labels WHERE true").arg(QLatin1String(kLabelColumns));
    if (filter.since.isValid())
        sql += QStringLiteral(" AND time >= timestamptz 'epoch' +"
                              " CAST(:since AS bigint) * interval '1 millisecond'");
    if (!filter.station.isEmpty())
        sql += QStringLiteral(" AND station = :station");
    sql += QStringLiteral(" ORDER BY id");
    QSqlQuery query(QSqlDatabase::database(connection, false));
    query.setForwardOnly(true);
    if (query.prepare(sql)) {
        if (filter.since.isValid())
            query.bindValue(QStringLiteral(":since"), filter.since.toMSecsSinceEpoch());
        if (!filter.station.isEmpty())
            query.bindValue(QStringLiteral(":station"), textValue(filter.station));
        if (query.exec()) {
            while (query.next())
                row(readLabel(query));
        }
    }
    *why = query.lastError().text();
    return !query.lastError().isValid();
}

int OmbrixSqlLabelRegister::importCsv(const QString &path, ImportCounts *counts)
{
    ImportReader reader;
    if (!reader.open(path))
        return fail(kUnavailable, QStringLiteral("cannot read %1").arg(path));
    if (connectOnce() != kOk)
        return kUnavailable;
    ImportCounts seen;
    QString why;
    if (!storeImport(reader, &seen, &why))
        return lost(QStringLiteral("cannot import into"), why);
    if (counts)
        *counts = seen;
    return kOk;
}

bool OmbrixSqlLabelRegister::storeImport(ImportReader &reader, ImportCounts *counts, QString *why)
{
    QSqlDatabase db = QSqlDatabase::database(connection, false);
    QSqlQuery query(db);
    const auto run = [&](const QString &sql) {
        return exec(query, sql, why);
    };
    if (!beginLocked(db, query, why) ||
        !run(QStringLiteral(
            "CREATE TEMPORARY TABLE lankit_import (line bigint, import_key text, ms bigint,"
            " code text, model text, serial text, prefix text, number bigint, printer text,"
            " pitch double precision, state text, reason text) ON COMMIT DROP")))
        return false;
    std::vector<ImportRow> batch;
    for (qint64 line = 0; !reader.atEnd();) {
        reader.next(&batch, kImportBatch);
        if (batch.empty())
            continue;
        QString sql = QStringLiteral("INSERT INTO lankit_import VALUES ");
        for (const ImportRow &row : batch) {
            const Label &l = row.label;
            const bool numbered = l.number >= 0;
            const QStringList values = {
                QString::number(line++),
                literal(row.key),
                QString::number(l.time.toMSecsSinceEpoch()),
                literal(l.code),
                literal(l.model),
                literal(l.serial),
                numbered ? literal(l.prefix) : QStringLiteral("NULL"),
                numbered ? QString::number(l.number) : QStringLiteral("NULL"),
                literal(l.printer),
                l.pitch > 0 ? QString::number(l.pitch, 'g', 17) : QStringLiteral("NULL"),
                literal(stateName(l.state)),
                literal(l.reason)};
            if (&row != &batch.front())
                sql += QLatin1Char(',');
            sql += QLatin1Char('(') + values.join(QLatin1Char(',')) + QLatin1Char(')');
        }
        if (!run(sql))
            return false;
    }
    if (!query.prepare(QStringLiteral(
            "INSERT INTO lankit_labels (time, code, model, serial, serial_prefix, serial_number,"
            " station, printer, dot_pitch, state, reason, guarded, program_version, import_key)"
            " SELECT timestamptz 'epoch' + ms * interval '1 millisecond', code, model, serial,"
            " prefix, number, :station, printer, pitch, state, reason, false, '', import_key"
            " FROM lankit_import i WHERE NOT EXISTS (SELECT 1 FROM lankit_labels l"
            "  WHERE l.import_key = i.import_key) ORDER BY line"))) {
        *why = query.lastError().text();
        return false;
    }
    query.bindValue(QStringLiteral(":station"), textValue(station()));
    if (!query.exec()) {
        *why = query.lastError().text();
        return false;
    }
    counts->added = query.numRowsAffected();
    counts->present = reader.rows - counts->added;
    counts->unreadable = reader.unreadable;
    // Labels printed before the register took over keep their numbers: new ones follow.
    if (!run(
            QStringLiteral("INSERT INTO lankit_serials AS s (prefix, last_number)"
                           " SELECT prefix, max(number) FROM lankit_import WHERE number IS NOT NULL"
                           " GROUP BY prefix ON CONFLICT (prefix) DO UPDATE"
                           " SET last_number = GREATEST(s.last_number, EXCLUDED.last_number)")))
        return false;
    return commit(db, why);
}
