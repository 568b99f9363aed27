#include "StampingReader.h"

#include "BenchClock.h"

extern "C" {
#include <libavformat/avformat.h>
}

std::map<int64_t, double> StampingReader::readAt() const
{
    std::lock_guard<std::mutex> guard(lock);
    return stamps;
}

double StampingReader::readAt(int64_t pts) const
{
    std::lock_guard<std::mutex> guard(lock);
    const auto it = stamps.find(pts);
    return it == stamps.end() ? -1 : it->second;
}

int StampingReader::_readFrame(AVFormatContext *context, AVPacket *packet)
{
    const int result = JXPlayerReader::_readFrame(context, packet);
    if (result >= 0 &&
        context->streams[packet->stream_index]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
        std::lock_guard<std::mutex> guard(lock);
        stamps.emplace(packet->pts, BenchClock::steadyNow());
    }
    return result;
}
