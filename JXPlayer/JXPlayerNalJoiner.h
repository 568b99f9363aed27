#pragma once

#include <vector>

struct AVPacket;

// Turns the H.264 or H.265 pieces that FFmpeg's RTP depacketizer reads, unparsed, into
// whole NAL units as soon as each one is whole, so a decoder that takes a picture in pieces
// (AV_CODEC_FLAG2_CHUNKS) finishes it when its last slice arrives. FFmpeg's own parser
// instead finds the end of a picture at the start of the next one: a frame interval late.
//
// The depacketizer hands on one piece per RTP packet: a whole NAL unit (or several, from
// an aggregation packet) behind a start code, the first fragment of a long NAL unit behind
// a start code, or a further fragment without one. Payloaders fill every fragment but the
// last, so a fragment shorter than the first one (less its start code and header) ends its
// unit; a piece behind a start code that is as long as a first fragment may be one, and is
// held until the next piece tells. A unit whose last fragment happens to be full waits for
// the next piece: a frame late, never broken.
class JXPlayerNalJoiner
{
public:
    JXPlayerNalJoiner() = default;
    ~JXPlayerNalJoiner();
    JXPlayerNalJoiner(const JXPlayerNalJoiner &) = delete;
    JXPlayerNalJoiner &operator=(const JXPlayerNalJoiner &) = delete;

    // Takes one piece (the caller keeps piece) and appends to whole every unit it
    // completes, as new packets with the piece's timestamps that the caller frees; a unit
    // that starts a picture (IDR slice or parameter set) is flagged as a key packet.
    void push(const AVPacket *piece, std::vector<AVPacket *> &whole);
    // Forgets a unit in progress (after a flush or a seek).
    void reset();
    // The codec whose units follow (an AVCodecID: H.264, the default, or HEVC); it sets the
    // size of a unit's header and which units begin a picture one can start at.
    void setCodec(int codecId);

    // A piece behind a start code at least this long may be a first fragment while no
    // fragmented unit has been seen yet (RTP packets are rarely shorter on a LAN).
    static constexpr int kFirstGuess = 1000;
    // A unit that grows past this is dropped: far more than a camera's largest picture, it
    // is a sender that never ends its unit, and must not take the memory.
    static constexpr int kMaxUnitBytes = 32 << 20;

private:
    void _emit(std::vector<AVPacket *> &whole);
    void _flagKey(AVPacket *unit) const;
    int _firstFragmentHeader() const;

    bool hevc = false;        // H.265 units: a two-byte header
    AVPacket *held = nullptr; // a unit that may go on; owned
    int heldFirstSize = 0;    // size of held's first piece
    // Size of the first piece of the last unit that was fragmented; 0 = none seen yet.
    int firstFragmentSize = 0;
};
