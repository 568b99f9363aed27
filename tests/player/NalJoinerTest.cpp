// The joiner of live H.264 pieces against a stream that x264 made: its NAL units are cut
// into pieces here exactly as FFmpeg's RTP depacketizer hands them on (whole units behind a
// start code, long units as fragments of a payloader's MTU), and the joined units must be
// the stream's units byte for byte, each picture complete as its last piece arrives.
#include "JXPlayer/JXPlayerNalJoiner.h"

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

extern "C" {
#include <libavcodec/packet.h>
}

namespace {
const QByteArray kStartCode("\x00\x00\x00\x01", 4);
// The fragment payload of an RTP payloader with a 1400-byte MTU (less RTP and FU headers).
constexpr int kFragment = 1400 - 12 - 2;

struct Unit
{
    QByteArray bytes; // without start code
    int picture;
};

struct Piece
{
    QByteArray bytes;
    int picture;
    int unit; // index of the unit this piece belongs to (its last piece ends it)
    bool last;
};

// The units of an Annex B stream by picture: a slice (types 1 and 5) whose first
// macroblock is 0 (its first bit set) begins a picture, and the units before it belong to
// that picture.
std::vector<Unit> unitsOf(const QByteArray &stream)
{
    std::vector<int> starts;
    for (int at = stream.indexOf(QByteArray("\x00\x00\x01", 3)); at >= 0;
         at = stream.indexOf(QByteArray("\x00\x00\x01", 3), at + 3))
        starts.push_back(at + 3);
    std::vector<Unit> units;
    int begun = 0; // pictures begun so far
    for (size_t i = 0; i < starts.size(); ++i) {
        int end = i + 1 < starts.size() ? starts[i + 1] - 3 : stream.size();
        while (end > starts[i] && stream[end - 1] == 0) // the next start code's zero byte
            --end;
        const QByteArray nal = stream.mid(starts[i], end - starts[i]);
        const int type = nal[0] & 0x1f;
        int picture = begun;
        if (type == 1 || type == 5)
            picture = (nal[1] & 0x80) ? begun++ : begun - 1;
        units.push_back({nal, picture});
    }
    return units;
}

// What the depacketizer makes of the units: one piece per RTP packet.
std::vector<Piece> piecesOf(const std::vector<Unit> &units)
{
    std::vector<Piece> pieces;
    for (size_t u = 0; u < units.size(); ++u) {
        const QByteArray &nal = units[u].bytes;
        const int picture = units[u].picture;
        if (nal.size() <= kFragment) {
            pieces.push_back({kStartCode + nal, picture, int(u), true});
            continue;
        }
        // FU-A: the first fragment gets the start code and the rebuilt unit header.
        for (int at = 1; at < nal.size(); at += kFragment) {
            const QByteArray body = nal.mid(at, kFragment);
            const bool last = at + kFragment >= nal.size();
            pieces.push_back(
                {at == 1 ? kStartCode + nal.left(1) + body : body, picture, int(u), last});
        }
    }
    return pieces;
}

AVPacket *packetOf(const QByteArray &bytes, int64_t pts)
{
    AVPacket *packet = av_packet_alloc();
    av_new_packet(packet, bytes.size());
    memcpy(packet->data, bytes.constData(), static_cast<size_t>(bytes.size()));
    packet->pts = packet->dts = pts;
    return packet;
}

QByteArray bytesOf(const AVPacket *packet)
{
    return QByteArray(reinterpret_cast<const char *>(packet->data), packet->size);
}

QByteArray x264Stream()
{
    QTemporaryDir dir;
    const QString file = dir.filePath("live.h264");
    QProcess::execute("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i",
                                 "testsrc2=size=640x360:rate=25:duration=1", "-c:v", "libx264",
                                 "-preset", "ultrafast", "-x264-params",
                                 "keyint=8:bframes=0:slices=2", "-pix_fmt", "yuv420p", file});
    QFile input(file);
    return input.open(QIODevice::ReadOnly) ? input.readAll() : QByteArray();
}

struct Joined
{
    QByteArray bytes;
    int afterPiece; // index of the piece whose push handed it on
    bool key;
};

std::vector<Joined> join(JXPlayerNalJoiner &joiner, const std::vector<Piece> &pieces)
{
    std::vector<Joined> joined;
    for (size_t i = 0; i < pieces.size(); ++i) {
        AVPacket *packet = packetOf(pieces[i].bytes, pieces[i].picture);
        std::vector<AVPacket *> whole;
        joiner.push(packet, whole);
        av_packet_free(&packet);
        for (AVPacket *unit : whole) {
            joined.push_back({bytesOf(unit), int(i), (unit->flags & AV_PKT_FLAG_KEY) != 0});
            av_packet_free(&unit);
        }
    }
    return joined;
}
} // namespace

TEST(NalJoiner, JoinsARealStreamByteForByteAndEndsEachPictureAtItsLastPiece)
{
    const std::vector<Unit> units = unitsOf(x264Stream());
    ASSERT_GT(units.size(), 40u);
    const std::vector<Piece> pieces = piecesOf(units);
    ASSERT_GT(pieces.size(), units.size()) << "no unit was long enough to be fragmented";

    JXPlayerNalJoiner joiner;
    const std::vector<Joined> joined = join(joiner, pieces);
    // The stream's last unit may wait for a successor that never comes.
    ASSERT_GE(joined.size() + 1, units.size());
    ASSERT_LE(joined.size(), units.size());
    int ontime = 0, pictures = 0;
    for (size_t u = 0; u + 1 < units.size() && u < joined.size(); ++u) {
        SCOPED_TRACE(u);
        EXPECT_EQ(joined[u].bytes, kStartCode + units[u].bytes);
        const int type = units[u].bytes[0] & 0x1f;
        EXPECT_EQ(joined[u].key, type == 5 || type == 7 || type == 8);
        // A picture's last unit: handed on with its own last piece, unless that piece is a
        // full fragment (which cannot tell that it is the last).
        if (units[u + 1].picture == units[u].picture)
            continue;
        int lastPiece = 0;
        while (!(pieces[lastPiece].unit == int(u) && pieces[lastPiece].last))
            ++lastPiece;
        ++pictures;
        if (pieces[lastPiece].bytes.size() == kFragment)
            continue;
        EXPECT_EQ(joined[u].afterPiece, lastPiece) << "picture " << units[u].picture;
        ontime += joined[u].afterPiece == lastPiece;
    }
    EXPECT_GE(ontime, pictures - 1);
}

TEST(NalJoiner, PiecesThatCannotBeJoinedAreDroppedAndTheRestStaysWhole)
{
    const QByteArray body(3000, '\x55');
    const QByteArray idr = kStartCode + "\x65" + body.left(kFragment);
    const QByteArray middle = body.mid(kFragment, kFragment);
    const QByteArray tail = body.mid(2 * kFragment);
    const QByteArray small = kStartCode + "\x41" + QByteArray(300, '\x11');
    struct Case
    {
        const char *what;
        std::vector<Piece> pieces;
        std::vector<QByteArray> expected;
    } cases[] = {
        {"whole fragmented unit",
         {{idr, 0, 0, false}, {middle, 0, 0, false}, {tail, 0, 0, true}},
         {kStartCode + "\x65" + body}},
        {"first fragment lost",
         {{middle, 0, 0, false}, {tail, 0, 0, true}, {small, 1, 1, true}},
         {small}},
        {"last fragment lost: the next picture ends the unit",
         {{idr, 0, 0, false}, {middle, 0, 0, false}, {small, 1, 1, true}},
         {kStartCode + "\x65" + body.left(2 * kFragment), small}},
        {"bare start codes and empty pieces",
         {{kStartCode, 0, 0, true}, {"", 0, 0, true}, {small, 1, 1, true}},
         {small}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        JXPlayerNalJoiner joiner;
        const std::vector<Joined> joined = join(joiner, c.pieces);
        ASSERT_EQ(joined.size(), c.expected.size());
        for (size_t i = 0; i < joined.size(); ++i)
            EXPECT_EQ(joined[i].bytes, c.expected[i]);
    }
}
