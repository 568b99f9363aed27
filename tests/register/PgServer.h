#pragma once

#include <QString>
#include <QTemporaryDir>

// A private PostgreSQL server for one test suite or benchmark: initdb into a temporary
// folder, pg_ctl listening on 127.0.0.1 (a free port) and a socket in that folder, and
// nothing else. Its one role, "lankit", logs in with a password that only the folder's
// .pgpass holds: PGPASSFILE points there for this process and the programs it starts.
// Run as root, the server runs as "nobody", since PostgreSQL refuses to run as root.
// Stopped (immediately) and removed with the object.
class PgServer
{
public:
    static const char kRole[];

    PgServer();
    ~PgServer();
    PgServer(const PgServer &) = delete;
    PgServer &operator=(const PgServer &) = delete;

    // Creates the cluster on first use and starts the server; false with why in *error.
    bool start(QString *error);
    // pg_ctl stop, "immediate" (a crash: no checkpoint, clients cut off) or "fast".
    bool stop(const char *mode = "fast");
    // A new empty database; false when psql could not create it.
    bool createDatabase(const QString &name);
    // Runs one statement with psql in database; its output without alignment.
    QString sql(const QString &database, const QString &statement, bool *ok = nullptr) const;
    // postgresql://lankit@127.0.0.1:<port>/<database>, without the password.
    QString address(const QString &database) const;

    QString password() const { return secret; }
    QString folder() const { return dir.path(); }
    int port() const { return tcpPort; }

private:
    bool initialize(QString *error);
    // Runs one of PostgreSQL's programs, as the server's user when asRunner; its exit code.
    int run(const QString &program, const QStringList &arguments, bool asRunner,
            QString *output = nullptr) const;

    QTemporaryDir dir;
    QString secret;
    int tcpPort = 0;
    bool initialized = false;
    bool running = false;
};
