#include "JXPlayer/JXPlayerNalJoiner.h"

#include "JXPlayer/JXPlayerHevcUnit.h"

#include <cstring>

extern "C" {
#include <libavcodec/codec_id.h>
#include <libavcodec/packet.h>
}

namespace {
// The start code the depacketizer writes before every unit.
constexpr uint8_t kStartCode[4] = {0, 0, 0, 1};
// Bytes of a unit's header: a first fragment carries the start code and the header before
// its payload.
constexpr int kH264HeaderBytes = 1;
// H.264 unit types that begin a picture one can start decoding at.
constexpr int kIdrSlice = 5;
constexpr int kSequenceParameters = 7;
constexpr int kPictureParameters = 8;

// A piece behind a start code that holds at least a unit's header.
bool startsUnit(const AVPacket *piece, int headerEnd)
{
    return piece->size >= headerEnd && memcmp(piece->data, kStartCode, sizeof kStartCode) == 0;
}

AVPacket *copyOf(const AVPacket *piece)
{
    AVPacket *copy = av_packet_alloc();
    if (!copy || av_new_packet(copy, piece->size) < 0) {
        av_packet_free(&copy);
        return nullptr;
    }
    memcpy(copy->data, piece->data, static_cast<size_t>(piece->size));
    av_packet_copy_props(copy, piece);
    return copy;
}

bool appendTo(AVPacket *unit, const AVPacket *piece)
{
    const int at = unit->size;
    if (av_grow_packet(unit, piece->size) < 0)
        return false;
    memcpy(unit->data + at, piece->data, static_cast<size_t>(piece->size));
    return true;
}

bool isH264Key(const AVPacket *unit)
{
    const int type = unit->data[sizeof kStartCode] & 0x1f;
    return type == kIdrSlice || type == kSequenceParameters || type == kPictureParameters;
}
} // namespace

void JXPlayerNalJoiner::setCodec(int codecId)
{
    reset();
    hevc = codecId == AV_CODEC_ID_HEVC;
    firstFragmentSize = 0;
}

int JXPlayerNalJoiner::_firstFragmentHeader() const
{
    return int(sizeof kStartCode) + (hevc ? JXPlayerHevcUnit::kHeaderBytes : kH264HeaderBytes);
}

void JXPlayerNalJoiner::_flagKey(AVPacket *unit) const
{
    if (hevc ? JXPlayerHevcUnit::isKey(JXPlayerHevcUnit::type(unit->data, unit->size))
             : isH264Key(unit))
        unit->flags |= AV_PKT_FLAG_KEY;
}

JXPlayerNalJoiner::~JXPlayerNalJoiner()
{
    reset();
}

void JXPlayerNalJoiner::push(const AVPacket *piece, std::vector<AVPacket *> &whole)
{
    // A new timestamp is a new picture: whatever was held has ended.
    if (held && piece->pts != held->pts)
        _emit(whole);
    if (startsUnit(piece, _firstFragmentHeader())) {
        _emit(whole);
        AVPacket *unit = copyOf(piece);
        if (!unit)
            return;
        const int guess = firstFragmentSize > 0 ? firstFragmentSize : kFirstGuess;
        if (piece->size >= guess) {
            held = unit;
            heldFirstSize = piece->size;
        } else {
            _flagKey(unit);
            whole.push_back(unit);
        }
        return;
    }
    // A fragment whose unit's start was lost is of no use to the decoder.
    if (!held)
        return;
    // The piece before was a first fragment after all.
    firstFragmentSize = heldFirstSize;
    if (held->size > kMaxUnitBytes - piece->size || !appendTo(held, piece)) {
        reset();
        return;
    }
    if (piece->size < heldFirstSize - _firstFragmentHeader())
        _emit(whole);
}

void JXPlayerNalJoiner::reset()
{
    av_packet_free(&held);
    heldFirstSize = 0;
}

void JXPlayerNalJoiner::_emit(std::vector<AVPacket *> &whole)
{
    if (!held)
        return;
    _flagKey(held);
    whole.push_back(held);
    held = nullptr;
    heldFirstSize = 0;
}
