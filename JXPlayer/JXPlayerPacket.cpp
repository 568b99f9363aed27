#include "JXPlayer/JXPlayerPacket.h"

JXPlayerPacket::JXPlayerPacket(const AVPacket *source, int codecId, int mediaKind,
                               AVRational timeBase)
    : packet(av_packet_alloc()), codecId(codecId), mediaKind(mediaKind), timeBase(timeBase)
{
    if (packet && av_packet_ref(packet, source) < 0)
        av_packet_unref(packet);
}

JXPlayerPacket::~JXPlayerPacket()
{
    av_packet_free(&packet);
}
