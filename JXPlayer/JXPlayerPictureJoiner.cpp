#include "JXPlayer/JXPlayerPictureJoiner.h"

#include "JXPlayer/JXPlayerHevcUnit.h"

#include <QtGlobal>

#include <cstring>

extern "C" {
#include <libavcodec/packet.h>
}

JXPlayerPictureJoiner::~JXPlayerPictureJoiner()
{
    reset();
}

void JXPlayerPictureJoiner::reset()
{
    av_packet_free(&picture);
    slices = 0;
    randomAccess = false;
    sentEarly = false;
}

void JXPlayerPictureJoiner::push(AVPacket *unit, std::vector<AVPacket *> &pictures)
{
    if (picture && unit->pts != picture->pts)
        _close(pictures);
    const int type = JXPlayerHevcUnit::type(unit->data, unit->size);
    if (sentEarly && unit->pts == sentPts) {
        // What follows the slice of a picture already handed on: a trailing message is of
        // no use to the decoder; a further slice means the stream slices its pictures.
        _lateSlice(unit, type);
        av_packet_free(&unit);
        return;
    }
    sentEarly = false;
    if (!picture) {
        picture = unit;
    } else {
        const int at = picture->size;
        if (at > kMaxPictureBytes - unit->size || av_grow_packet(picture, unit->size) < 0) {
            av_packet_free(&unit);
            reset();
            return;
        }
        memcpy(picture->data + at, unit->data, static_cast<size_t>(unit->size));
        av_packet_free(&unit);
    }
    if (!JXPlayerHevcUnit::isSlice(type))
        return;
    ++slices;
    randomAccess = randomAccess || JXPlayerHevcUnit::isRandomAccess(type);
    if (handsOnEarly && slices == 1) {
        sentPts = picture->pts;
        _close(pictures);
        sentEarly = true;
    }
}

void JXPlayerPictureJoiner::_lateSlice(const AVPacket *unit, int type)
{
    if (!JXPlayerHevcUnit::isSlice(type) || JXPlayerHevcUnit::beginsPicture(unit->data, unit->size))
        return;
    if (handsOnEarly)
        qDebug("H.265 pictures come in several slices: each waits for the next picture");
    handsOnEarly = false;
    severalSlices = true;
}

void JXPlayerPictureJoiner::_close(std::vector<AVPacket *> &pictures)
{
    if (!picture)
        return;
    if (!handsOnEarly)
        _learn();
    if (randomAccess)
        picture->flags |= AV_PKT_FLAG_KEY;
    else
        picture->flags &= ~AV_PKT_FLAG_KEY;
    pictures.push_back(picture);
    picture = nullptr;
    slices = 0;
    randomAccess = false;
}

void JXPlayerPictureJoiner::_learn()
{
    if (slices == 0)
        return;
    if (slices > 1)
        severalSlices = true;
    if (severalSlices)
        return;
    ++singleSliceRun;
    keyRun += randomAccess ? 1 : 0;
    handsOnEarly = singleSliceRun >= kLearnPictures && keyRun >= kLearnKeyPictures;
}
