#pragma once

#include "app/OmbrixLabelRegister.h"

#include <QStringList>

#include <memory>

class QSqlDatabase;
class QSqlQuery;
class QVariant;

// The register every station of a line shares: a PostgreSQL database reached through
// Qt's driver. The database hands out the serial numbers: each label takes the next number
// of its prefix in the statement that records it as reserved, so no number is given twice
// and a failed label keeps its number with the reason. Whether a code was printed before
// is decided by a unique index, so two stations scanning one code at once print it once.
// A lost connection is reached again by the next operation, after at most the connect
// time-out; meanwhile every operation answers kUnavailable and nothing is kept to be
// recorded later. The password is never part of the address: libpq takes it from .pgpass
// (or the file PGPASSFILE names). One owner, on the thread that created it.
class OmbrixSqlLabelRegister : public OmbrixLabelRegister
{
public:
    // A postgresql:// address taken apart.
    struct Address
    {
        QString host; // name, address, or a folder holding the server's socket
        int port = 0; // 0 for libpq's default
        QString user;
        QString database;
        QStringList options; // "key=value" for the driver, the connect time-out included
    };

    // Seconds to wait for the server before a label is refused.
    static constexpr int kConnectSeconds = 3;
    // Seconds a label's statement waits for a row another station holds before the label
    // is refused: a station stopped inside a transaction must not stop the line.
    static constexpr int kLockWaitSeconds = 5;
    // Seconds the server lets this station sit inside a transaction without a word before
    // it ends the session and frees what it held (a frozen or paused station).
    static constexpr int kIdleInTransactionSeconds = 30;
    // The tables' layout this program writes; a register of a higher one is refused.
    static constexpr int kSchemaVersion = 1;

    // True for a postgresql:// or postgres:// address.
    static bool isAddress(const QString &text);
    // postgresql://[user@][host][:port][/database][?key=value&...]. False, with why in
    // *error, for anything else, and for an address that holds a password: the password
    // is not repeated in the error.
    static bool parseAddress(const QString &text, Address *address, QString *error);

    OmbrixSqlLabelRegister(const QString &address, const QString &station);
    ~OmbrixSqlLabelRegister() override;

    bool allocates() const override;
    QString where() const override;
    int open() override;
    int reserve(Label &label, bool repeat, Label *earlier) override;
    int finish(const Label &label) override;
    int note(Label &label) override;
    int findPrinted(const QString &code, Label *earlier) override;
    int peekNext(const QString &prefix, QString *serial) override;
    int exportRows(const Filter &filter, const std::function<void(const Label &)> &row) override;
    int importCsv(const QString &path, ImportCounts *counts) override;

private:
    struct Statements;
    struct ImportRow;
    struct ImportReader;

    // Beyond the public codes: the tables were laid out by a newer program.
    static constexpr int kSchemaTooNew = -100;

    int connectOnce();
    int openConnection(QString *why);
    void disconnect();
    int createSchema(QSqlDatabase &db, QString *why);
    bool readRows(const Filter &filter, const std::function<void(const Label &)> &row,
                  QString *why);
    // Ends an operation that failed on the server: drops the connection (the next
    // operation connects again) and says why.
    int lost(const QString &what, const QString &why);
    // Runs a prepared read with its one value bound: kOk, or what lost() gives.
    int execRead(QSqlQuery &query, const QString &name, const QVariant &value);
    bool storeImport(ImportReader &reader, ImportCounts *counts, QString *why);

    QString addressText;
    Address address;
    bool addressOk = false;
    QString addressError;
    const QString connection;               // this register's own Qt connection name
    std::unique_ptr<Statements> statements; // owned; prepared while connected, else null
};
