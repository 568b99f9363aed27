#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

// Framing of one protocol message per UDP datagram, and the checks a received datagram
// passes before its message reaches the reply queue. Both directions use the same frame:
//
//   offset 0  4 bytes  total datagram length, header included, big-endian
//   offset 4  4 bytes  zero
//   offset 8  ...      one JSON object, UTF-8, compact, no terminator
class VeltoDatagram
{
public:
    static constexpr int kHeaderSize = 8;
    // Largest datagram a device may send; also the receive buffer of the socket.
    static constexpr int kMaxSize = 2048;

    // The datagram carrying object as compact JSON (keys in UTF-16 code-unit order).
    static QByteArray frame(const QJsonObject &object);
    static QByteArray frame(const QByteArray &json);
    // The compact JSON text of object, as it is sent and logged.
    static QByteArray compactJson(const QJsonObject &object);

    // True when the datagram fits the receive buffer, holds a header and declares exactly
    // its own size.
    static bool hasValidLength(const char *data, qint64 size);
    // The message after the header; an empty object when it is not one valid JSON object
    // with unique keys (see VeltoJsonCheck).
    // Call only when hasValidLength() holds.
    static QJsonObject message(const char *data, qint64 size);
    // The received text as it may be logged: every control character, and a character that
    // ends a line or starts an escape sequence, written as \xNN or \uNNNN, so that a peer can
    // neither split a log line nor drive the operator's terminal. Invalid UTF-8 becomes
    // U+FFFD.
    static QByteArray loggable(const QByteArray &received);
    // True when the message's "destid" is a string exactly equal to a non-empty srcId.
    static bool isAddressedTo(const QJsonObject &message, const QString &srcId);
};
