// Framing of requests and the checks every received datagram passes before its message
// reaches the reply queue.
#include "Velto/VeltoDatagram.h"
#include "Velto/VeltoJsonCheck.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <gtest/gtest.h>

namespace {
const QString kOwnId = QStringLiteral("02AABBCCDDEE");

QByteArray withHeader(quint32 declared, const QByteArray &json)
{
    QByteArray datagram;
    for (int shift = 24; shift >= 0; shift -= 8)
        datagram.append(static_cast<char>((declared >> shift) & 0xff));
    datagram.append(4, '\0');
    return datagram + json;
}

bool accepted(const QByteArray &datagram)
{
    if (!VeltoDatagram::hasValidLength(datagram.constData(), datagram.size()))
        return false;
    const QJsonObject message = VeltoDatagram::message(datagram.constData(), datagram.size());
    return VeltoDatagram::isAddressedTo(message, kOwnId);
}
} // namespace

TEST(VeltoDatagram, FrameIsBigEndianTotalLengthThenFourZeroBytes)
{
    const QByteArray json(0x123, 'a');
    const QByteArray datagram = VeltoDatagram::frame(json);
    ASSERT_EQ(datagram.size(), 0x12b);
    EXPECT_EQ(datagram.left(8), QByteArray::fromHex("0000012b00000000"));
    EXPECT_EQ(datagram.mid(8), json);
}

TEST(VeltoDatagram, ObjectIsWrittenCompactWithKeysInCodeUnitOrder)
{
    QJsonObject object;
    object.insert(QStringLiteral("srcid"), QStringLiteral("X"));
    object.insert(QStringLiteral("destarray"), QJsonArray{QStringLiteral("Y")});
    object.insert(QStringLiteral("id"), 7);
    object.insert(QStringLiteral("IpMode"), QStringLiteral("static"));
    object.insert(QStringLiteral("dns1"), QString());
    EXPECT_EQ(VeltoDatagram::compactJson(object),
              QByteArray(R"({"IpMode":"static","destarray":["Y"],"dns1":"","id":7,"srcid":"X"})"));
}

TEST(VeltoDatagram, ReceiveChecks)
{
    const QByteArray good = R"({"destid":"02AABBCCDDEE","id":1,"result":"success"})";
    const QByteArray header = withHeader(static_cast<quint32>(good.size() + 8), good);
    struct Case
    {
        const char *what;
        QByteArray datagram;
        bool accepted;
    } cases[] = {
        {"well formed", header, true},
        {"declares one byte less", withHeader(static_cast<quint32>(good.size() + 7), good), false},
        {"declares one byte more", withHeader(static_cast<quint32>(good.size() + 9), good), false},
        {"header only, declaring 8", withHeader(8, QByteArray()), false},
        {"shorter than a header", QByteArray::fromHex("00000004"), false},
        {"empty", QByteArray(), false},
        {"length in little-endian order",
         QByteArray(1, static_cast<char>(good.size() + 8)) + QByteArray(7, '\0') + good, false},
        {"not JSON", withHeader(8 + 9, "not json!"), false},
        {"JSON array", withHeader(8 + 16, R"(["02AABBCCDDEE"])"), false},
        {"JSON cut short", withHeader(static_cast<quint32>(good.size() + 7), good.chopped(1)),
         false},
        {"destid in lower case",
         withHeader(static_cast<quint32>(good.size() + 8),
                    QByteArray(good).replace("AABBCCDDEE", "aabbccddee")),
         false},
        {"destid of another program",
         withHeader(static_cast<quint32>(good.size() + 8),
                    QByteArray(good).replace("02AA", "03AA")),
         false},
        {"destid missing", withHeader(8 + 8, R"({"id":1})"), false},
        {"destid a number", withHeader(8 + 24, R"({"destid":2,"id":1,"x":0})"), false},
        {"a key given twice",
         withHeader(8 + 51, R"({"destid":"02AABBCCDDEE","id":[1],"id":1,"x":"y"})"), false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(accepted(c.datagram), c.accepted) << c.what;
}

TEST(VeltoDatagram, DatagramsBeyondTheReceiveBufferAreDropped)
{
    QByteArray json = R"({"destid":"02AABBCCDDEE","pad":")";
    json += QByteArray(2048, 'x') + "\"}";
    const QByteArray oversize = VeltoDatagram::frame(json); // declares its true length
    EXPECT_GT(oversize.size(), VeltoDatagram::kMaxSize);
    EXPECT_FALSE(VeltoDatagram::hasValidLength(oversize.constData(), oversize.size()));

    json = R"({"destid":"02AABBCCDDEE","pad":")";
    json += QByteArray(VeltoDatagram::kMaxSize - 8 - json.size() - 2, 'x') + "\"}";
    const QByteArray largest = VeltoDatagram::frame(json);
    ASSERT_EQ(largest.size(), VeltoDatagram::kMaxSize);
    EXPECT_TRUE(accepted(largest));
}

TEST(VeltoDatagram, NothingIsAddressedToAProgramWithoutAnAddress)
{
    const QJsonObject emptyDestId{{QStringLiteral("destid"), QString()}};
    EXPECT_FALSE(VeltoDatagram::isAddressedTo(emptyDestId, QString()));
    EXPECT_FALSE(VeltoDatagram::isAddressedTo(QJsonObject(), QString()));
}

// Qt 5's parser leaks the earlier value of a repeated key; such texts never reach it.
TEST(VeltoJsonCheck, WellFormedTextWithUniqueKeys)
{
    struct Case
    {
        const char *json;
        bool accepted;
    } cases[] = {
        {R"({"a":1,"b":[1,2,{"c":null}],"d":{"e":"x"},"f":-1.5e3,"g":true})", true},
        {R"( { "a" : "x" , "b" : [ ] } )", true},
        {R"({"A":1,"a":2})", true},
        {R"([{"k":{}},{"k":{}}])", true},
        {R"({"s":"a\"b\\","t":"\u00e9\n"})", true},
        {R"({})", true},
        {R"("text")", true},
        {R"({"a":[1],"a":"x"})", false},
        {R"({"a":"y","a":"x"})", false},
        {R"({"a":1,"\u0061":2})", false},
        {R"({"o":{"k":1,"k":2}})", false},
        {R"([{"k":{"x":{},"x":1}}])", false},
        {R"({"a":1,})", false},
        {R"({"a" 1})", false},
        {R"({"a":1)", false},
        {R"({"a":1}})", false},
        {R"({"a":"\q"})", false},
        {R"({"a":"\u12"})", false},
        {R"({"a":"\u12g4"})", false},
        {R"({"a":"open)", false},
        {R"([1,,2])", false},
        {R"({1:2})", false},
        {"", false},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(VeltoJsonCheck::hasUniqueKeys(QByteArray(c.json)), c.accepted) << c.json;
        if (c.accepted && c.json[0] != '"') { // Qt takes only objects and arrays
            EXPECT_FALSE(QJsonDocument::fromJson(QByteArray(c.json)).isNull()) << c.json;
        }
    }
    const int depth = VeltoJsonCheck::kMaxDepth;
    EXPECT_TRUE(VeltoJsonCheck::hasUniqueKeys(QByteArray(depth, '[') + QByteArray(depth, ']')));
    EXPECT_FALSE(
        VeltoJsonCheck::hasUniqueKeys(QByteArray(depth + 1, '[') + QByteArray(depth + 1, ']')));
}
