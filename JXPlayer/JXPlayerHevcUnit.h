#pragma once

#include <cstdint>

// What the player reads from an H.265 NAL unit behind its four-byte start code, as the
// depacketizer and the joiners hand units on: its type (the six bits after the forbidden
// bit of a two-byte header) and, for a slice, whether it is the first of its picture.
namespace JXPlayerHevcUnit {
constexpr int kStartCodeBytes = 4;
constexpr int kHeaderBytes = 2;
// Unit types: 0..31 are slices; 16..21 slices of a picture one can start decoding at
// (IRAP); 32..34 the video, sequence and picture parameter sets.
constexpr int kLastSlice = 31;
constexpr int kFirstRandomAccess = 16;
constexpr int kLastRandomAccess = 21;
constexpr int kVideoParameters = 32;
constexpr int kPictureParameters = 34;
// The first bit after the header: first_slice_segment_in_pic_flag.
constexpr uint8_t kFirstSliceBit = 0x80;

// The type of the unit behind the start code, or -1 for a unit too short to have one.
inline int type(const uint8_t *unit, int size)
{
    return size >= kStartCodeBytes + kHeaderBytes ? (unit[kStartCodeBytes] >> 1) & 0x3f : -1;
}

inline bool isSlice(int type)
{
    return type >= 0 && type <= kLastSlice;
}

inline bool isRandomAccess(int type)
{
    return type >= kFirstRandomAccess && type <= kLastRandomAccess;
}

// A unit a decoder may start at: a random access slice or a parameter set.
inline bool isKey(int type)
{
    return isRandomAccess(type) || (type >= kVideoParameters && type <= kPictureParameters);
}

// For a slice: whether it begins its picture (false for a unit without a slice header).
inline bool beginsPicture(const uint8_t *unit, int size)
{
    return isSlice(type(unit, size)) && size > kStartCodeBytes + kHeaderBytes &&
           (unit[kStartCodeBytes + kHeaderBytes] & kFirstSliceBit) != 0;
}
} // namespace JXPlayerHevcUnit
