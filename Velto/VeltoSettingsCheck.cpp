#include "Velto/VeltoSettingsCheck.h"

#include "Velto/VeltoDatagram.h"

#include <QFileInfo>

#include <algorithm>
#include <iterator>
#include <string>

namespace {
// One key of a search reply and the longest value it carries, in bytes.
struct ReplyField
{
    const char *key;
    int longest;
    bool quoted; // a JSON string; "id" is the one number
};

// Dotted IPv4 text: 255.255.255.255.
constexpr int kDottedQuad = 15;
// Texts a camera fills in freely get the room of the longest seen, doubled.
constexpr ReplyField kReplyFields[] = {
    {"mac", 17, true},
    {"srcid", 12, true},
    {"ip", kDottedQuad, true},
    {"netmask", kDottedQuad, true},
    {"gateway", kDottedQuad, true},
    {"dns1", kDottedQuad, true},
    {"dns2", kDottedQuad, true},
    {"IpMode", 6, true},
    {"name", 0, true},
    {"p2pid", 32, true},
    {"appVersion", 32, true},
    {"HdCuFun", 64, true},
    {"rtsppath1", 96, true},
    {"httpport", 5, true},
    {"result", 7, true},
    {"destid", 12, true},
    {"method", 6, true},
    {"id", 11, false},
};

// "key":value, and a comma before every field but the first, in braces.
constexpr int replyWithoutName()
{
    int bytes = 2;
    for (const ReplyField &field : kReplyFields) {
        const int key = int(std::char_traits<char>::length(field.key));
        bytes += 2 + key + 1 + field.longest + (field.quoted ? 2 : 0);
    }
    return bytes + int(std::size(kReplyFields)) - 1;
}

static_assert(VeltoDatagram::kHeaderSize + replyWithoutName() + VeltoSettingsCheck::kMaxNameBytes <=
                  VeltoDatagram::kMaxSize,
              "a reply carrying a name of the limit must fit the receive buffer");

bool isCSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// One "%d" conversion at p, read as unsigned and required to be at most 255: blanks, an
// optional sign, at least one digit. A negative number is huge when unsigned and fails.
bool scanOctet(const char *&p, quint32 &octet)
{
    while (isCSpace(*p))
        ++p;
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+')
        ++p;
    if (!isDigit(*p))
        return false;
    quint32 value = 0;
    for (; isDigit(*p); ++p)
        value = std::min<quint32>(value * 10 + quint32(*p - '0'), 1000); // above 255 fails alike
    if ((negative && value != 0) || value > 255)
        return false;
    octet = value;
    return true;
}

// C0, DEL and C1 controls, and the two Unicode line breaks: a camera would store them,
// and every screen and log that shows its name would break there.
bool isControl(QChar c)
{
    return c.category() == QChar::Other_Control || c == QChar(0x2028) || c == QChar(0x2029);
}
} // namespace

const int VeltoSettingsCheck::kReplyWithoutName = replyWithoutName();

int VeltoSettingsCheck::nameBytes(const QString &name)
{
    const QByteArray utf8 = name.toUtf8();
    return utf8.size() + int(utf8.count('"') + utf8.count('\\'));
}

VeltoSettingsCheck::Verdict VeltoSettingsCheck::checkName(const QString &name)
{
    if (name.isEmpty())
        return EmptyName;
    if (std::any_of(name.begin(), name.end(), isControl))
        return NameControlCharacter;
    return nameBytes(name) > kMaxNameBytes ? NameTooLong : Ok;
}

bool VeltoSettingsCheck::parseIpv4(const QString &text, quint32 &address, QString *dotted)
{
    const QByteArray utf8 = text.toUtf8();
    const char *p = utf8.constData();
    quint32 octets[4];
    for (int i = 0; i < 4; ++i) {
        if (i > 0 && *p++ != '.')
            return false;
        if (!scanOctet(p, octets[i]))
            return false;
    }
    address = octets[0] << 24 | octets[1] << 16 | octets[2] << 8 | octets[3];
    if (dotted) {
        *dotted = QStringLiteral("%1.%2.%3.%4")
                      .arg(octets[0])
                      .arg(octets[1])
                      .arg(octets[2])
                      .arg(octets[3]);
    }
    return true;
}

bool VeltoSettingsCheck::isContiguousNetmask(quint32 mask)
{
    const quint32 hostBits = ~mask;
    return mask != 0 && (hostBits & (hostBits + 1)) == 0;
}

VeltoSettingsCheck::Verdict VeltoSettingsCheck::checkStatic(StaticAddress &address,
                                                            const QVector<VeltoDevice> &listed,
                                                            const QString &mac)
{
    quint32 ip = 0;
    quint32 mask = 0;
    quint32 gateway = 0;
    quint32 unused = 0;
    if (!parseIpv4(address.ip, ip, &address.ip))
        return BadAddress;
    if (!parseIpv4(address.netmask, mask, &address.netmask))
        return BadNetmask;
    if (!isContiguousNetmask(mask))
        return NetmaskGaps;
    if (!parseIpv4(address.gateway, gateway, &address.gateway))
        return BadGateway;
    for (QString *dns : {&address.dns1, &address.dns2}) {
        if (!dns->isEmpty() && !parseIpv4(*dns, unused, dns))
            return BadDns;
    }
    for (const VeltoDevice &device : listed) {
        if (device.mac().compare(mac, Qt::CaseInsensitive) != 0 && device.ip() == address.ip)
            return AddressInUse;
    }
    return (ip & mask) == (gateway & mask) ? Ok : GatewayOutsideSubnet;
}

VeltoSettingsCheck::Verdict VeltoSettingsCheck::checkFirmwareFile(const QString &path)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return NotRegularFile;
    if (!info.isReadable())
        return UnreadableFile;
    return info.size() == 0 ? EmptyFile : Ok;
}

QString VeltoSettingsCheck::text(Verdict verdict)
{
    switch (verdict) {
    case Ok:
        return QString();
    case EmptyName:
        return QStringLiteral("Please Input Name");
    case NameTooLong:
        return QStringLiteral("The name is too long: at most %1 bytes (a letter outside "
                              "A-Z takes 2 to 4)");
    case NameControlCharacter:
        return QStringLiteral("The name must not hold line breaks, tabs or other control "
                              "characters");
    case BadAddress:
        return QStringLiteral("Please input valid ip address");
    case BadNetmask:
        return QStringLiteral("Please input valid netmask");
    case NetmaskGaps:
        return QStringLiteral("The netmask must be ones followed by zeros, such as "
                              "255.255.255.0");
    case BadGateway:
        return QStringLiteral("Please input valid gateway");
    case BadDns:
        return QStringLiteral("A DNS server must be an address such as 8.8.8.8, or empty");
    case AddressInUse:
        return QStringLiteral("Another listed device already has this address");
    case GatewayOutsideSubnet:
        return QStringLiteral("The gateway is outside the device's subnet; the device may "
                              "become unreachable. Set it anyway?");
    case EmptyFile:
        return QStringLiteral("The firmware file is empty");
    case NotRegularFile:
        return QStringLiteral("The firmware is not a regular file");
    case UnreadableFile:
        return QStringLiteral("The firmware file cannot be read");
    }
    return QString();
}
