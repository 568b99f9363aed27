#include "JXPlayer/JXPlayerPacket.h"

JXPlayerPacket::JXPlayerPacket(AVPacket *source, int codecId, int mediaKind, AVRational timeBase)
    : packet(av_packet_alloc()), codecId(codecId), mediaKind(mediaKind), timeBase(timeBase)
{
    if (packet)
        av_packet_move_ref(packet, source);
}

JXPlayerPacket::~JXPlayerPacket()
{
    av_packet_free(&packet);
}
