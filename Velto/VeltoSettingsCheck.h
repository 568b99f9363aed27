#pragma once

#include "Velto/VeltoDevice.h"

#include <QString>
#include <QVector>

// What the program refuses to send a camera, because the camera would take it and then be
// lost: a name its search reply cannot carry, an address the network cannot reach, an empty
// firmware image. The dialogs and lankitctl ask the same questions here; nothing is sent
// or shown by this class. Each check gives a Verdict; text() says it in English, to be
// translated by the caller.
class VeltoSettingsCheck
{
public:
    enum Verdict
    {
        Ok = 0,
        EmptyName,
        NameTooLong,
        NameControlCharacter,
        BadAddress,
        BadNetmask,
        NetmaskGaps,
        BadGateway,
        BadDns,
        AddressInUse,
        // Not a refusal: the operator confirms it, or lankitctl is told --force.
        GatewayOutsideSubnet,
        EmptyFile,
        NotRegularFile,
        UnreadableFile,
    };

    // Worst-case length of the compact JSON of a camera's search reply without its name's
    // text: every key the replies carry (the simulator's, the same as a camera's) with its
    // longest value. Its parts are in the .cpp file's table.
    static const int kReplyWithoutName;
    // A name's most bytes on the wire. 2,048 bytes (the receive limit) less the 8-byte
    // header less the worst-case rest of the reply (583) leave 1,457; the 433 kept over
    // 1,024 hold keys a later firmware may add. Beyond the limit the camera's reply is
    // dropped, and the camera vanishes from every search until a factory reset.
    static constexpr int kMaxNameBytes = 1024;

    // Bytes the name takes inside a JSON string: UTF-8, with '"' and '\' escaped.
    static int nameBytes(const QString &name);
    static Verdict checkName(const QString &name);

    // A static address as the operator typed it. check() replaces the texts of the valid
    // fields by the plain dotted quads that are sent; empty DNS fields stay empty.
    struct StaticAddress
    {
        QString ip;
        QString netmask;
        QString gateway;
        QString dns1;
        QString dns2;
    };
    // Refusals in field order, then address conflicts with listed devices other than the
    // one of mac (letter case ignored), then GatewayOutsideSubnet.
    static Verdict checkStatic(StaticAddress &address, const QVector<VeltoDevice> &listed,
                               const QString &mac);

    // Reads the file's kind, permissions and size, not its contents.
    static Verdict checkFirmwareFile(const QString &path);

    // The English message of verdict; "%1" in NameTooLong's is the limit in bytes.
    static QString text(Verdict verdict);

    // The IPv4 rule of the address fields: the text must scan as four decimal integers
    // separated by dots, each at most 255 read as unsigned (as C's "%d.%d.%d.%d" does:
    // blanks and a sign before each number, anything after the fourth ignored). On success
    // address holds the four bytes and dotted, when given, the plain dotted quad.
    static bool parseIpv4(const QString &text, quint32 &address, QString *dotted = nullptr);
    // True when mask is a run of one bits from the top, at least one of them.
    static bool isContiguousNetmask(quint32 mask);
};
