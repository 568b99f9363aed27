#pragma once

extern "C" {
#include <libavcodec/packet.h>
#include <libavutil/rational.h>
}

// One demuxed packet on its way from the reader thread to a decode thread.
class JXPlayerPacket
{
public:
    // mediaKind values.
    static constexpr int kVideo = 1;
    static constexpr int kAudio = 2;

    // Takes over source's reference to the demuxer's data (no copy of the payload) and
    // leaves source blank. The reader thread so never drops a reference to data that a
    // decode thread reads: the last reference always goes with the packet record.
    JXPlayerPacket(AVPacket *source, int codecId, int mediaKind, AVRational timeBase);
    ~JXPlayerPacket();
    JXPlayerPacket(const JXPlayerPacket &) = delete;
    JXPlayerPacket &operator=(const JXPlayerPacket &) = delete;

    AVPacket *packet;    // owned; freed with the record
    int codecId;         // AVCodecID of the stream the packet came from
    int mediaKind;       // kVideo or kAudio
    AVRational timeBase; // the stream's time base
    // One or more whole units of a picture rather than a whole picture: only a decoder
    // that takes pictures in pieces (AV_CODEC_FLAG2_CHUNKS) can use it.
    bool piece = false;
    // Monotonic clock when the reader queued it; 0 when not known.
    double readAt = 0.0;
};
