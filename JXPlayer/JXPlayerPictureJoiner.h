#pragma once

#include <cstdint>
#include <vector>

struct AVPacket;

// Gathers the whole H.265 units of one picture (as JXPlayerNalJoiner hands them on) into
// one packet, since FFmpeg's H.265 decoder takes whole pictures only. The units of one
// picture share its timestamp, so a picture is surely complete when a unit of the next one
// arrives: a frame interval late, as FFmpeg's parser is. FFmpeg does not pass on the RTP
// marker that ends a picture, so the early sign is the stream's own habit: once it has sent
// kLearnPictures pictures in a row (kLearnKeyPictures of them key pictures, the largest)
// each as one slice, a picture is handed on as soon as its slice is whole. A stream seen to
// send a picture in several slices is never handed on early again: a slice that comes
// after its picture left is dropped, which costs that picture its rest (the decoder keeps
// what it had there) rather than every picture a frame interval.
class JXPlayerPictureJoiner
{
public:
    JXPlayerPictureJoiner() = default;
    ~JXPlayerPictureJoiner();
    JXPlayerPictureJoiner(const JXPlayerPictureJoiner &) = delete;
    JXPlayerPictureJoiner &operator=(const JXPlayerPictureJoiner &) = delete;

    static constexpr int kLearnPictures = 50;
    static constexpr int kLearnKeyPictures = 2;
    // A picture that grows past this (units that never change their timestamp) is dropped.
    static constexpr int kMaxPictureBytes = 32 << 20;

    // Takes unit (owned from here) and appends to pictures every picture it completes, as
    // new packets that the caller frees; a picture with a random access slice is flagged as
    // a key packet.
    void push(AVPacket *unit, std::vector<AVPacket *> &pictures);
    // Forgets a picture in progress (after a flush or a seek); what was learnt stays.
    void reset();
    // True once pictures are handed on as their slice completes.
    bool early() const { return handsOnEarly; }

private:
    void _close(std::vector<AVPacket *> &pictures);
    void _learn();
    void _lateSlice(const AVPacket *unit, int type);

    AVPacket *picture = nullptr; // the units gathered so far; owned
    int slices = 0;              // slices in picture
    bool randomAccess = false;   // picture holds a random access slice
    // The timestamp of the picture last handed on early; its later units are not used.
    int64_t sentPts = 0;
    bool sentEarly = false;
    int singleSliceRun = 0; // pictures in a row of one slice each
    int keyRun = 0;         // key pictures among them
    bool handsOnEarly = false;
    bool severalSlices = false; // a picture of this stream came in more than one slice
};
