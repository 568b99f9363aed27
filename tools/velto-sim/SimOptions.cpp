#include "SimOptions.h"

#include <QCommandLineParser>
#include <QDir>
#include <QTextStream>

namespace {
const QStringList kMisbehaviours = {
    QStringLiteral("silent"),     QStringLiteral("fail"),         QStringLiteral("twice"),
    QStringLiteral("wrong-id"),   QStringLiteral("wrong-destid"), QStringLiteral("lower-destid"),
    QStringLiteral("bad-length"), QStringLiteral("bad-json"),     QStringLiteral("oversize")};

QCommandLineOption valueOption(const char *name, const char *help, const char *valueName,
                               const QString &fallback = QString())
{
    return QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(help),
                              QString::fromLatin1(valueName), fallback);
}

const int kMaxAddresses = 65535;

// Only the full four-byte form: the toolkit would also read "17" as 0.0.0.17.
quint32 dottedQuad(const QString &text, bool &ok)
{
    ok = text.count(QLatin1Char('.')) == 3;
    const quint32 address = QHostAddress(text).toIPv4Address(ok ? &ok : nullptr);
    return ok ? address : 0;
}

bool fail(const QString &message)
{
    QTextStream(stderr) << "velto-sim: " << message << "\n";
    return false;
}
} // namespace

namespace {
// An option with a value, read into one field of the options.
struct ValueOption
{
    const char *name;
    const char *help;
    const char *valueName;
    enum Kind
    {
        CapInt,
        CapInt64,
        CapText,
        CapList
    } kind;
    int SimOptions::*intField;
    qint64 SimOptions::*int64Field;
    QString SimOptions::*textField;
    QStringList SimOptions::*listField;
};

constexpr ValueOption intOption(const char *name, const char *help, const char *valueName,
                                int SimOptions::*field)
{
    return {name, help, valueName, ValueOption::CapInt, field, nullptr, nullptr, nullptr};
}

constexpr ValueOption textOption(const char *name, const char *help, const char *valueName,
                                 QString SimOptions::*field)
{
    return {name, help, valueName, ValueOption::CapText, nullptr, nullptr, field, nullptr};
}

// The defaults shown in each help text are the fields' initial values in SimOptions.h.
const ValueOption kValueOptions[] = {
    textOption("interface", "Interface the cameras live on (required).", "name",
               &SimOptions::interfaceName),
    intOption("count", "Number of cameras (1).", "n", &SimOptions::count),
    intOption("delay-min", "Earliest search reply, ms (0).", "ms", &SimOptions::delayMinMs),
    intOption("delay-max", "Latest search reply, ms (200).", "ms", &SimOptions::delayMaxMs),
    intOption("reply-delay", "Delay of every other reply, ms (0).", "ms",
              &SimOptions::replyDelayMs),
    textOption("mac-prefix", "First three MAC bytes (02:56:4C).", "xx:xx:xx",
               &SimOptions::macPrefix),
    intOption("http-port", "Camera i serves HTTP on port+i; 0 for no HTTP (8080).", "port",
              &SimOptions::httpPort),
    textOption("upload-dir", "Folder for uploads, one subfolder per camera srcid.", "dir",
               &SimOptions::uploadDir),
    intOption("misbehaving", "Only the first n cameras misbehave (all).", "n",
              &SimOptions::misbehavingDevices),
    {"omit", "Leave this key out of search replies (repeatable).", "key", ValueOption::CapList,
     nullptr, nullptr, nullptr, &SimOptions::omittedKeys},
    intOption("upload-result", "\"Result\" of upload answers (0).", "n", &SimOptions::uploadResult),
    intOption("answer-delay", "Wait before answering an upload, ms (0).", "ms",
              &SimOptions::answerDelayMs),
    {"upload-rate", "Read uploads at most this fast (unlimited).", "bytes/s", ValueOption::CapInt64,
     nullptr, &SimOptions::uploadRate, nullptr, nullptr},
    intOption("web-port",
              "Serve a status page on GET / on this port (0: none); port+i for camera i when the "
              "cameras share one address.",
              "port", &SimOptions::webPort),
    textOption("rtsp", "RTSP address; %1 the IP, %2 the camera number.", "template",
               &SimOptions::rtspTemplate),
    intOption("flood", "Answer each search also for n made-up cameras, each its own MAC (0).", "n",
              &SimOptions::floodCount),
    intOption("flood-ms", "Spread those replies over this time, ms (1000).", "ms",
              &SimOptions::floodMs),
};

// A switch: present or not.
struct FlagOption
{
    const char *name;
    const char *help;
    bool SimOptions::*field;
};

const FlagOption kFlagOptions[] = {
    {"keep-requests", "Also store each upload's raw HTTP request as <file>.request.",
     &SimOptions::keepRequests},
    {"answer-not-json", "Answer uploads with a text that is not JSON.", &SimOptions::answerNotJson},
    {"quiet", "Print no event per request.", &SimOptions::quiet},
    {"hostile",
     "Before the flood, send datagrams no camera sends: lying lengths, not JSON, deep nesting, a "
     "10 KB MAC, control characters, invalid UTF-8.",
     &SimOptions::hostile},
};

// Options whose text is checked and split after reading.
const char kMisbehaveOption[] = "misbehave";
const char kAddressesOption[] = "addresses";
const char kAfterUploadOption[] = "after-upload";

void addOptions(QCommandLineParser &parser)
{
    for (const ValueOption &option : kValueOptions)
        parser.addOption(valueOption(option.name, option.help, option.valueName));
    for (const FlagOption &option : kFlagOptions)
        parser.addOption(
            QCommandLineOption(QString::fromLatin1(option.name), QString::fromLatin1(option.help)));
    parser.addOption(valueOption(
        kMisbehaveOption,
        "Comma-separated: silent (no reply), fail (result failure), twice (every reply twice), "
        "and bad replies sent before the good one: wrong-id, wrong-destid, lower-destid, "
        "bad-length, bad-json, oversize (over 2048 bytes).",
        "list"));
    parser.addOption(valueOption(
        kAddressesOption,
        "Give camera i the i-th address, e.g. 10.77.0.10-17 or a comma-separated list; each "
        "must be on the interface. The camera binds its sockets to it and reports it as \"ip\".",
        "list"));
    parser.addOption(valueOption(
        kAfterUploadOption,
        "Comma-separated, camera by camera: what it does once firmware is uploaded: new (a new "
        "version), same, back:MS (silent for MS ms, then a new version), reboot:OLD:MS (the "
        "old version for OLD ms, then silent for MS ms, then a new version), gone (silent).",
        "list"));
}

// A number option that is not a number fails rather than silently becoming 0.
bool readValue(const QCommandLineParser &parser, const ValueOption &option, SimOptions &into)
{
    const QString name = QString::fromLatin1(option.name);
    if (!parser.isSet(name))
        return true;
    const QString text = parser.value(name);
    bool ok = true;
    switch (option.kind) {
    case ValueOption::CapInt:
        into.*option.intField = text.toInt(&ok);
        break;
    case ValueOption::CapInt64:
        into.*option.int64Field = text.toLongLong(&ok);
        break;
    case ValueOption::CapText:
        into.*option.textField = text;
        break;
    case ValueOption::CapList:
        into.*option.listField = parser.values(name);
        break;
    }
    return ok || fail(QStringLiteral("--%1 needs a number, not %2").arg(name, text));
}

bool validAfterUploadItem(const QString &what)
{
    bool ok = what == QLatin1String("new") || what == QLatin1String("same") ||
              what == QLatin1String("gone");
    if (what.startsWith(QLatin1String("back:")))
        what.mid(5).toInt(&ok);
    if (what.startsWith(QLatin1String("reboot:"))) {
        const QStringList times = what.mid(7).split(QLatin1Char(':'));
        bool okOld = false, okSilent = false;
        ok = times.size() == 2 && times[0].toInt(&okOld) >= 0 && times[1].toInt(&okSilent) >= 0 &&
             okOld && okSilent;
    }
    return ok;
}
} // namespace

bool SimOptions::parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulated cameras for the device protocol: they answer multicast requests on port "
        "5888 of the interface's network, keep the settings they are sent, and take firmware "
        "uploads on POST /update.cgi. Events are printed on standard output, one JSON object "
        "per line."));
    parser.addHelpOption();
    parser.addVersionOption();
    addOptions(parser);
    parser.process(arguments);

    for (const ValueOption &option : kValueOptions) {
        if (!readValue(parser, option, *this))
            return false;
    }
    for (const FlagOption &option : kFlagOptions)
        this->*option.field = parser.isSet(QString::fromLatin1(option.name));
    afterUpload =
        parser.value(QLatin1String(kAfterUploadOption)).split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &what : qAsConst(afterUpload)) {
        if (!validAfterUploadItem(what))
            return fail(QStringLiteral("bad --after-upload item ") + what);
    }
    const QString addressText = parser.value(QLatin1String(kAddressesOption));
    if (parser.isSet(QLatin1String(kAddressesOption)) && !parseAddresses(addressText, addresses))
        return fail(QStringLiteral("bad --addresses ") + addressText);
    const QStringList kinds =
        parser.value(QLatin1String(kMisbehaveOption)).split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &kind : kinds) {
        if (!kMisbehaviours.contains(kind))
            return fail(QStringLiteral("unknown misbehaviour ") + kind);
        misbehaviours.insert(kind);
    }
    if (uploadDir.isEmpty())
        uploadDir = QDir::temp().filePath(QStringLiteral("velto-sim-uploads"));
    return checkRanges();
}

bool SimOptions::checkRanges() const
{
    if (interfaceName.isEmpty())
        return fail(QStringLiteral("--interface is required"));
    if (count < 1 || count > kMaxAddresses)
        return fail(QStringLiteral("--count must be 1 to 65535"));
    if (delayMinMs < 0 || delayMaxMs < delayMinMs)
        return fail(QStringLiteral("need 0 <= --delay-min <= --delay-max"));
    if (!addresses.isEmpty() && addresses.size() < count)
        return fail(QStringLiteral("--addresses names %1 addresses for %2 cameras")
                        .arg(addresses.size())
                        .arg(count));
    if (floodCount < 0 || floodCount > 10000000 || floodMs < 0 || floodMs > 600000)
        return fail(QStringLiteral("need 0 <= --flood <= 10000000, 0 <= --flood-ms <= 600000"));
    if (webPort < 0 || webPort > 65535 || httpPort < 0 || httpPort > 65535)
        return fail(QStringLiteral("ports must be 0 to 65535"));
    return true;
}

bool SimOptions::misbehaves(int deviceIndex, const char *kind) const
{
    if (misbehavingDevices >= 0 && deviceIndex >= misbehavingDevices)
        return false;
    return misbehaviours.contains(QString::fromLatin1(kind));
}

bool SimOptions::parseAddresses(const QString &text, QList<QHostAddress> &out)
{
    out.clear();
    const QStringList items = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &item : items) {
        const QStringList ends = item.trimmed().split(QLatin1Char('-'));
        bool ok = false;
        const quint32 from = dottedQuad(ends.first(), ok);
        if (!ok || ends.size() > 2)
            return false;
        quint32 to = from;
        if (ends.size() == 2) {
            // The end is a whole address or only its last byte.
            if (ends.last().contains(QLatin1Char('.'))) {
                to = dottedQuad(ends.last(), ok);
            } else {
                const uint lastByte = ends.last().toUInt(&ok);
                ok = ok && lastByte <= 255;
                to = (from & 0xffffff00u) | lastByte;
            }
            if (!ok || to < from)
                return false;
        }
        if (to - from >= quint32(kMaxAddresses - out.size()))
            return false;
        for (quint32 address = from; address <= to; ++address)
            out.append(QHostAddress(address));
    }
    return !out.isEmpty();
}
