// The joiners of live H.264 and H.265 pieces against streams that x264 and x265 made: their
// NAL units are cut into pieces here exactly as FFmpeg's RTP depacketizer hands them on
// (whole units behind a start code, long units as fragments of a payloader's MTU), and the
// joined units must be the stream's units byte for byte, each picture complete as its last
// piece arrives; H.265 pictures are whole, and early once the stream is known to allow it.
#include "JXPlayer/JXPlayerHevcUnit.h"
#include "JXPlayer/JXPlayerNalJoiner.h"
#include "JXPlayer/JXPlayerPictureJoiner.h"

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

extern "C" {
#include <libavcodec/codec_id.h>
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

// How a codec's units are told apart: the size of their header, which are slices, and
// (for a slice) whether it begins its picture: its first bit after the header is set
// (H.264: first macroblock 0; H.265: first_slice_segment_in_pic_flag).
struct Syntax
{
    int headerBytes;
    bool (*isSlice)(const QByteArray &nal);
};
const Syntax kH264{1, [](const QByteArray &nal) {
                       const int type = nal[0] & 0x1f;
                       return type == 1 || type == 5;
                   }};
const Syntax kHevc{2, [](const QByteArray &nal) {
                       return JXPlayerHevcUnit::isSlice((uint8_t(nal[0]) >> 1) & 0x3f);
                   }};

// The units of an Annex B stream by picture: a slice whose first bit is set begins a
// picture, and the units before it belong to that picture.
std::vector<Unit> unitsOf(const QByteArray &stream, const Syntax &syntax = kH264)
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
        int picture = begun;
        if (syntax.isSlice(nal))
            picture = (nal[syntax.headerBytes] & 0x80) ? begun++ : begun - 1;
        units.push_back({nal, picture});
    }
    return units;
}

// What the depacketizer makes of the units: one piece per RTP packet.
std::vector<Piece> piecesOf(const std::vector<Unit> &units, const Syntax &syntax = kH264)
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
        const int header = syntax.headerBytes;
        for (int at = header; at < nal.size(); at += kFragment) {
            const QByteArray body = nal.mid(at, kFragment);
            const bool last = at + kFragment >= nal.size();
            pieces.push_back({at == header ? kStartCode + nal.left(header) + body : body, picture,
                              int(u), last});
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

// A live-like stream of the given encoder and its parameters, from FFmpeg's test source.
QByteArray encoded(const char *encoder, const char *parameters, int seconds)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("live.es");
    const QString source = QStringLiteral("testsrc2=size=640x360:rate=25:duration=%1").arg(seconds);
    const QString option = QStringLiteral("-%1-params").arg(QLatin1String(encoder).mid(3));
    QProcess::execute("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", source, "-c:v", encoder,
                                 "-preset", "ultrafast", option, parameters, "-pix_fmt", "yuv420p",
                                 "-f", strcmp(encoder, "libx264") == 0 ? "h264" : "hevc", file});
    QFile input(file);
    return input.open(QIODevice::ReadOnly) ? input.readAll() : QByteArray();
}

QByteArray x264Stream()
{
    return encoded("libx264", "keyint=8:bframes=0:slices=2", 1);
}

struct Joined
{
    QByteArray bytes;
    int afterPiece; // index of the piece whose push handed it on
    bool key;
};

// H.265 pieces through both joiners: the pictures handed on, each with the piece whose push
// handed it on; *early tells whether the picture joiner ended early.
std::vector<Joined> joinPictures(const std::vector<Piece> &pieces, bool *early)
{
    JXPlayerNalJoiner joiner;
    joiner.setCodec(AV_CODEC_ID_HEVC);
    JXPlayerPictureJoiner pictureJoiner;
    std::vector<Joined> joined;
    for (size_t i = 0; i < pieces.size(); ++i) {
        AVPacket *packet = packetOf(pieces[i].bytes, pieces[i].picture);
        std::vector<AVPacket *> units, pictures;
        joiner.push(packet, units);
        av_packet_free(&packet);
        for (AVPacket *unit : units)
            pictureJoiner.push(unit, pictures);
        for (AVPacket *picture : pictures) {
            joined.push_back({bytesOf(picture), int(i), (picture->flags & AV_PKT_FLAG_KEY) != 0});
            av_packet_free(&picture);
        }
    }
    *early = pictureJoiner.early();
    return joined;
}

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
    std::vector<Piece> endless{{idr, 0, 0, false}};
    endless.resize(JXPlayerNalJoiner::kMaxUnitBytes / kFragment + 2, {middle, 0, 0, false});
    endless.push_back({small, 1, 1, true});
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
        {"a unit that never ends is dropped at its size limit", endless, {small}},
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

// Whole H.265 pictures, handed on at their slice's last piece once the stream has shown
// one slice a picture, and at the next picture otherwise; a stream that turns to two
// slices after that costs one picture its second slice, and nothing after it is early.
TEST(PictureJoiner, H265PicturesAreWholeAndEarlyOnlyWhereTheStreamAllows)
{
    const char *oneSlice = "keyint=10:bframes=0:log-level=error";
    const char *twoSlices = "keyint=10:bframes=0:slices=2:log-level=error";
    const QByteArray single = encoded("libx265", oneSlice, 3);
    const QByteArray sliced = encoded("libx265", twoSlices, 1);
    const int learnt = JXPlayerPictureJoiner::kLearnPictures;
    struct Case
    {
        const char *what;
        QByteArray stream;
        bool endsEarly;
        int earlyAtLeast; // pictures handed on at their own last piece
        int cut;          // pictures handed on without their second slice
    } cases[] = {
        {"one slice a picture", single, true, 75 - learnt - 3, 0},
        {"two slices a picture", sliced + sliced + sliced, false, 0, 0},
        {"one slice, then two", single + sliced, false, 75 - learnt - 3, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<Unit> units = unitsOf(c.stream, kHevc);
        const std::vector<Piece> pieces = piecesOf(units, kHevc);
        // Each picture whole, up to its first slice, whether it can be started at, and the
        // index of its first piece.
        std::vector<QByteArray> whole, firstSlice;
        std::vector<bool> key, sliced;
        std::vector<int> firstPiece;
        for (const Unit &unit : units) {
            const size_t p = size_t(unit.picture);
            if (p >= whole.size()) {
                whole.resize(p + 1);
                firstSlice.resize(p + 1);
                key.resize(p + 1);
                sliced.resize(p + 1);
            }
            const int type = (uint8_t(unit.bytes[0]) >> 1) & 0x3f;
            whole[p] += kStartCode + unit.bytes;
            sliced[p] = sliced[p] || (kHevc.isSlice(unit.bytes) && !(unit.bytes[2] & 0x80));
            if (!sliced[p])
                firstSlice[p] = whole[p];
            key[p] = key[p] || JXPlayerHevcUnit::isRandomAccess(type);
        }
        for (size_t i = 0; i < pieces.size(); ++i)
            if (pieces[i].picture >= int(firstPiece.size()))
                firstPiece.push_back(int(i));
        ASSERT_GT(whole.size(), 70u);

        bool early = false;
        const std::vector<Joined> joined = joinPictures(pieces, &early);
        EXPECT_EQ(early, c.endsEarly);
        ASSERT_GE(joined.size() + 1, whole.size());
        int handedEarly = 0, cut = 0;
        for (size_t p = 0; p < joined.size() && p < whole.size(); ++p) {
            SCOPED_TRACE(p);
            EXPECT_EQ(joined[p].key, key[p]);
            if (joined[p].bytes != whole[p]) {
                EXPECT_EQ(joined[p].bytes, firstSlice[p]);
                ++cut;
            }
            if (p + 1 < firstPiece.size() && joined[p].afterPiece < firstPiece[p + 1]) {
                EXPECT_GE(int(p), learnt) << "handed on early before the stream was known";
                ++handedEarly;
            }
        }
        EXPECT_EQ(cut, c.cut);
        EXPECT_GE(handedEarly, c.earlyAtLeast);
        if (!c.earlyAtLeast) {
            EXPECT_EQ(handedEarly, 0);
        }
    }

    // A sender whose units never change their timestamp does not take the memory: the
    // picture is dropped at its size limit, and the next one is whole.
    JXPlayerPictureJoiner endless;
    std::vector<AVPacket *> pictures;
    const QByteArray message = kStartCode + QByteArray("\x4e\x01", 2) + QByteArray(1 << 20, 'x');
    const QByteArray slice = kStartCode + QByteArray("\x02\x01\x80\x11", 4);
    for (int i = 0; i <= JXPlayerPictureJoiner::kMaxPictureBytes / message.size(); ++i)
        endless.push(packetOf(message, 0), pictures);
    endless.push(packetOf(slice, 1), pictures);
    endless.push(packetOf(slice, 2), pictures);
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(bytesOf(pictures[0]), slice);
    av_packet_free(&pictures[0]);
}
