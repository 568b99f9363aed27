#pragma once

#include <QHostAddress>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// How the simulated cameras behave, from the command line.
struct SimOptions
{
    QString interfaceName;
    int count = 1;
    int delayMinMs = 0; // search replies leave after a random delay in this window
    int delayMaxMs = 200;
    int replyDelayMs = 0; // delay of every other reply
    QString macPrefix = QStringLiteral("02:56:4C");
    int httpPort = 8080; // device i serves HTTP on httpPort + i; 0 for none
    // Camera i binds its sockets to addresses[i] and reports it as its "ip"; empty: every
    // camera shares the interface's first IPv4 address.
    QList<QHostAddress> addresses;
    // Port of the status page (GET /): the same for all cameras when each has its own
    // address, webPort + i when they share one; 0 for none.
    int webPort = 0;
    QString uploadDir;
    bool keepRequests = false; // also store each upload's raw HTTP request
    QSet<QString> misbehaviours;
    int misbehavingDevices = -1; // the first N devices misbehave; -1 for all
    QStringList omittedKeys;     // keys left out of search replies
    bool answerNotJson = false;
    int uploadResult = 0;
    int answerDelayMs = 0;
    qint64 uploadRate = 0; // bytes per second; 0 for unlimited
    QString rtspTemplate = QStringLiteral("rtsp://%1:554/live/ch%2");
    bool quiet = false;
    int floodCount = 0;   // replies of made-up cameras to each search
    int floodMs = 1000;   // the time over which they are spread
    bool hostile = false; // also datagrams no camera sends, before the flood
    // What camera i does after a firmware upload: "new" (reports a new version), "same",
    // "back:MS" (silent for MS ms, then a new version), "reboot:OLD:MS" (the old version
    // for OLD ms, then silent for MS ms, then a new version) or "gone" (silent from then on).
    QStringList afterUpload;

    // Fills the options from the process arguments; on a usage error prints it and
    // returns false.
    bool parse(const QStringList &arguments);
    // The usage errors that lie in the values' ranges and in how they fit together.
    bool checkRanges() const;
    bool misbehaves(int deviceIndex, const char *kind) const;
    // Parses "10.77.0.10-17,10.77.0.30": single addresses and ranges of the last byte.
    static bool parseAddresses(const QString &text, QList<QHostAddress> &out);
};
