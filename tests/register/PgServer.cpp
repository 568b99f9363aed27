#include "PgServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTcpServer>

#include <pwd.h>
#include <unistd.h>

const char PgServer::kRole[] = "lankit";

namespace {
// The server user when the tests run as root.
const char kRunner[] = "nobody";
const int kStartSeconds = 60;

QString binary(const char *name)
{
    return QStringLiteral(PG_BINDIR "/") + QLatin1String(name);
}

// A port nothing listens on now. Another program may take it before the server does; the
// server then fails to start and says so.
int freePort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() &&
           file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

bool giveToRunner(const QString &path)
{
    const passwd *runner = getpwnam(kRunner);
    return runner &&
           chown(QFile::encodeName(path).constData(), runner->pw_uid, runner->pw_gid) == 0;
}
} // namespace

PgServer::PgServer()
{
    secret = QStringLiteral("pw-%1").arg(QRandomGenerator::global()->generate64(), 16, 16,
                                         QLatin1Char('0'));
}

PgServer::~PgServer()
{
    if (running)
        stop("immediate");
}

int PgServer::run(const QString &program, const QStringList &arguments, bool asRunner,
                  QString *output) const
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (asRunner && geteuid() == 0)
        process.start(QStringLiteral("setpriv"),
                      QStringList{QStringLiteral("--reuid=") + kRunner,
                                  QStringLiteral("--regid=nogroup"),
                                  QStringLiteral("--clear-groups"), program} +
                          arguments);
    else
        process.start(program, arguments);
    const bool finished = process.waitForFinished(kStartSeconds * 1000);
    if (!finished) {
        process.kill();
        process.waitForFinished();
    }
    if (output)
        *output = QString::fromLocal8Bit(process.readAll());
    return finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

bool PgServer::initialize(QString *error)
{
    const QString pw = dir.path() + QStringLiteral("/pw");
    if (!dir.isValid() || !writeFile(pw, secret.toUtf8() + '\n')) {
        *error = QStringLiteral("no temporary folder");
        return false;
    }
    // The server's user must own its folders; root reaches them whatever their mode.
    if (geteuid() == 0 && !(giveToRunner(dir.path()) && giveToRunner(pw))) {
        *error = QStringLiteral("cannot hand the folder to %1").arg(kRunner);
        return false;
    }
    QString output;
    if (run(binary("initdb"),
            {QStringLiteral("-D"), dir.path() + QStringLiteral("/data"), QStringLiteral("-U"),
             QLatin1String(kRole), QStringLiteral("--auth=scram-sha-256"),
             QStringLiteral("--pwfile=") + pw, QStringLiteral("-E"), QStringLiteral("UTF8"),
             QStringLiteral("--no-locale"), QStringLiteral("--no-sync")},
            true, &output) != 0) {
        *error = QStringLiteral("initdb failed: ") + output;
        return false;
    }
    QFile::remove(pw);
    initialized = true;
    return true;
}

bool PgServer::start(QString *error)
{
    if (!initialized && !initialize(error))
        return false;
    // A restart keeps the port: the stations' addresses name it.
    if (tcpPort == 0)
        tcpPort = freePort();
    // The password travels only through this file, which libpq finds by PGPASSFILE.
    const QString pgpass = dir.path() + QStringLiteral("/pgpass");
    if (!writeFile(pgpass, QStringLiteral("127.0.0.1:%1:*:%2:%3\n")
                               .arg(tcpPort)
                               .arg(QLatin1String(kRole), secret)
                               .toUtf8())) {
        *error = QStringLiteral("cannot write .pgpass");
        return false;
    }
    qputenv("PGPASSFILE", QFile::encodeName(pgpass));
    QString output;
    const QString options = QStringLiteral("-c listen_addresses=127.0.0.1 -p %1 -k %2"
                                           " -c max_connections=40")
                                .arg(tcpPort)
                                .arg(dir.path());
    if (run(binary("pg_ctl"),
            {QStringLiteral("-D"), dir.path() + QStringLiteral("/data"), QStringLiteral("-l"),
             dir.path() + QStringLiteral("/server.log"), QStringLiteral("-w"), QStringLiteral("-t"),
             QString::number(kStartSeconds), QStringLiteral("-o"), options,
             QStringLiteral("start")},
            true, &output) != 0) {
        QFile log(dir.path() + QStringLiteral("/server.log"));
        log.open(QIODevice::ReadOnly);
        *error = QStringLiteral("pg_ctl start failed: ") + output +
                 QString::fromLocal8Bit(log.readAll());
        return false;
    }
    running = true;
    return true;
}

bool PgServer::stop(const char *mode)
{
    running = false;
    return run(binary("pg_ctl"),
               {QStringLiteral("-D"), dir.path() + QStringLiteral("/data"), QStringLiteral("-m"),
                QLatin1String(mode), QStringLiteral("-w"), QStringLiteral("stop")},
               true) == 0;
}

bool PgServer::createDatabase(const QString &name)
{
    bool ok = false;
    sql(QStringLiteral("postgres"), QStringLiteral("CREATE DATABASE \"%1\"").arg(name), &ok);
    return ok;
}

QString PgServer::sql(const QString &database, const QString &statement, bool *ok) const
{
    QString output;
    const int code = run(binary("psql"),
                         {QStringLiteral("-h"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"),
                          QString::number(tcpPort), QStringLiteral("-U"), QLatin1String(kRole),
                          QStringLiteral("-d"), database, QStringLiteral("-qAtc"), statement},
                         false, &output);
    if (ok)
        *ok = code == 0;
    return output.trimmed();
}

QString PgServer::address(const QString &database) const
{
    return QStringLiteral("postgresql://%1@127.0.0.1:%2/%3")
        .arg(QLatin1String(kRole))
        .arg(tcpPort)
        .arg(database);
}
