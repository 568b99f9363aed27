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
    const auto iface =
        valueOption("interface", "Interface the cameras live on (required).", "name");
    const auto count = valueOption("count", "Number of cameras (1).", "n", "1");
    const auto delayMin = valueOption("delay-min", "Earliest search reply, ms (0).", "ms", "0");
    const auto delayMax = valueOption("delay-max", "Latest search reply, ms (200).", "ms", "200");
    const auto replyDelay =
        valueOption("reply-delay", "Delay of every other reply, ms (0).", "ms", "0");
    const auto mac =
        valueOption("mac-prefix", "First three MAC bytes (02:56:4C).", "xx:xx:xx", macPrefix);
    const auto http = valueOption(
        "http-port", "Camera i serves HTTP on port+i; 0 for no HTTP (8080).", "port", "8080");
    const auto uploads =
        valueOption("upload-dir", "Folder for uploads, one subfolder per camera srcid.", "dir");
    const QCommandLineOption keep(QStringLiteral("keep-requests"),
                                  QStringLiteral("Also store each upload's raw HTTP request "
                                                 "as <file>.request."));
    const auto misbehave =
        valueOption("misbehave",
                    "Comma-separated: silent (no reply), fail (result failure), twice (every reply "
                    "twice), and bad replies sent before the good one: wrong-id, wrong-destid, "
                    "lower-destid, bad-length, bad-json, oversize (over 2048 bytes).",
                    "list");
    const auto misbehaving =
        valueOption("misbehaving", "Only the first n cameras misbehave (all).", "n", "-1");
    const auto omit =
        valueOption("omit", "Leave this key out of search replies (repeatable).", "key");
    const QCommandLineOption notJson(QStringLiteral("answer-not-json"),
                                     QStringLiteral("Answer uploads with a text that is not "
                                                    "JSON."));
    const auto result = valueOption("upload-result", "\"Result\" of upload answers (0).", "n", "0");
    const auto answerDelay =
        valueOption("answer-delay", "Wait before answering an upload, ms (0).", "ms", "0");
    const auto rate =
        valueOption("upload-rate", "Read uploads at most this fast (unlimited).", "bytes/s", "0");
    const auto addressList = valueOption(
        "addresses",
        "Give camera i the i-th address, e.g. 10.77.0.10-17 or a comma-separated list; each "
        "must be on the interface. The camera binds its sockets to it and reports it as \"ip\".",
        "list");
    const auto web = valueOption("web-port",
                                 "Serve a status page on GET / on this port (0: none); port+i "
                                 "for camera i when the cameras share one address.",
                                 "port", "0");
    const auto rtsp = valueOption("rtsp", "RTSP address; %1 the IP, %2 the camera number.",
                                  "template", rtspTemplate);
    const auto after = valueOption(
        "after-upload",
        "Comma-separated, camera by camera: what it does once firmware is uploaded: new (a new "
        "version), same, back:MS (silent for MS ms, then a new version), reboot:OLD:MS (the "
        "old version for OLD ms, then silent for MS ms, then a new version), gone (silent).",
        "list");
    const QCommandLineOption quietOption(QStringLiteral("quiet"),
                                         QStringLiteral("Print no event per request."));
    const auto flood = valueOption(
        "flood", "Answer each search also for n made-up cameras, each its own MAC (0).", "n", "0");
    const auto floodTime =
        valueOption("flood-ms", "Spread those replies over this time, ms (1000).", "ms", "1000");
    const QCommandLineOption hostileOption(
        QStringLiteral("hostile"),
        QStringLiteral("Before the flood, send datagrams no camera sends: lying lengths, not "
                       "JSON, deep nesting, a 10 KB MAC, control characters, invalid UTF-8."));
    parser.addOptions({flood, floodTime, hostileOption});
    parser.addOptions({iface,   count,       delayMin,    delayMax,  replyDelay,  mac,
                       http,    uploads,     keep,        misbehave, misbehaving, omit,
                       notJson, result,      answerDelay, rate,      addressList, web,
                       rtsp,    quietOption, after});
    parser.process(arguments);

    interfaceName = parser.value(iface);
    this->count = parser.value(count).toInt();
    delayMinMs = parser.value(delayMin).toInt();
    delayMaxMs = parser.value(delayMax).toInt();
    replyDelayMs = parser.value(replyDelay).toInt();
    macPrefix = parser.value(mac);
    httpPort = parser.value(http).toInt();
    uploadDir = parser.value(uploads);
    keepRequests = parser.isSet(keep);
    misbehavingDevices = parser.value(misbehaving).toInt();
    omittedKeys = parser.values(omit);
    answerNotJson = parser.isSet(notJson);
    uploadResult = parser.value(result).toInt();
    answerDelayMs = parser.value(answerDelay).toInt();
    uploadRate = parser.value(rate).toLongLong();
    rtspTemplate = parser.value(rtsp);
    webPort = parser.value(web).toInt();
    quiet = parser.isSet(quietOption);
    floodCount = parser.value(flood).toInt();
    floodMs = parser.value(floodTime).toInt();
    hostile = parser.isSet(hostileOption);
    afterUpload = parser.value(after).split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &what : qAsConst(afterUpload)) {
        bool ok = what == QLatin1String("new") || what == QLatin1String("same") ||
                  what == QLatin1String("gone");
        if (what.startsWith(QLatin1String("back:")))
            what.mid(5).toInt(&ok);
        if (what.startsWith(QLatin1String("reboot:"))) {
            const QStringList times = what.mid(7).split(QLatin1Char(':'));
            bool okOld = false, okSilent = false;
            ok = times.size() == 2 && times[0].toInt(&okOld) >= 0 &&
                 times[1].toInt(&okSilent) >= 0 && okOld && okSilent;
        }
        if (!ok)
            return fail(QStringLiteral("bad --after-upload item ") + what);
    }

    if (interfaceName.isEmpty())
        return fail(QStringLiteral("--interface is required"));
    if (this->count < 1 || this->count > 65535)
        return fail(QStringLiteral("--count must be 1 to 65535"));
    if (delayMinMs < 0 || delayMaxMs < delayMinMs)
        return fail(QStringLiteral("need 0 <= --delay-min <= --delay-max"));
    if (parser.isSet(addressList) && !parseAddresses(parser.value(addressList), addresses))
        return fail(QStringLiteral("bad --addresses ") + parser.value(addressList));
    if (!addresses.isEmpty() && addresses.size() < this->count)
        return fail(QStringLiteral("--addresses names %1 addresses for %2 cameras")
                        .arg(addresses.size())
                        .arg(this->count));
    if (floodCount < 0 || floodCount > 10000000 || floodMs < 0 || floodMs > 600000)
        return fail(QStringLiteral("need 0 <= --flood <= 10000000, 0 <= --flood-ms <= 600000"));
    if (webPort < 0 || webPort > 65535 || httpPort < 0 || httpPort > 65535)
        return fail(QStringLiteral("ports must be 0 to 65535"));
    const QStringList kinds = parser.value(misbehave).split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &kind : kinds) {
        if (!kMisbehaviours.contains(kind))
            return fail(QStringLiteral("unknown misbehaviour ") + kind);
        misbehaviours.insert(kind);
    }
    if (uploadDir.isEmpty())
        uploadDir = QDir::temp().filePath(QStringLiteral("velto-sim-uploads"));
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
