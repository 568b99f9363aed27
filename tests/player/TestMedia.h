#pragma once

#include <QString>

// Media files made with the ffmpeg tool the first time a test asks for them, in a folder
// that lives as long as the test program. All video is 16 frames per second, so that
// presentation times are exact binary fractions.
namespace TestMedia {
// "av.mp4"          H.264 (with B-frames, GOP 8) 160x120 + AAC 48 kHz mono 1 kHz tone, 2 s
// "gop.mp4"         H.264 160x120, 64 frames, key frame every 8, no B-frames, no audio
// "long.mp4"        H.264 160x120, 15 s = 240 frames, key frame every 16, no audio
// "two_video.mp4"   stream 0 H.264 160x120, stream 1 MPEG-4 part 2 320x240, 1 s
// "audio.m4a"       AAC only, 2 s
// "noduration.h264" raw H.264 elementary stream (no container duration), 1 s
// "jump15.mp4"      48 frames; between frames 15 and 16 the time steps 1.5 s
// "jump10.mp4"      48 frames; between frames 15 and 16 the time steps exactly 1.0 s
// "intra_h264.mp4", "intra_mpeg4.mp4"  every frame a key frame, 32 frames (160x120, 320x240)
QString path(const QString &name);

// Runs ffprobe and returns its trimmed standard output.
QString probe(const QStringList &arguments);
// Packets (or, with decoded = true, frames) of the first stream of kind ("v" or "a").
int countOf(const QString &file, const QString &kind, bool decoded);
} // namespace TestMedia
