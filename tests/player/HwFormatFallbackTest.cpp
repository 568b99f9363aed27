// The hardware get_format callback when the device cannot take the stream: FFmpeg offers
// the hardware format first, fails to set it up and asks again with software formats only.
// The callback must then pick one, or every frame fails and the preview stays black.
#include "TestMedia.h"
#include "support/LogCapture.h"

#include "JXPlayer/HwDecodeContext.h"
#include "JXPlayer/JXPlayerDecoder.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace {
const QString kDecoder = "JXPlayerDecoder.cpp";

// Decodes the first video stream of path with get_hw_format asking for hwFormat on a codec
// context that has no device: the hardware set-up fails as it does for an unsupported
// profile. Returns the frames decoded.
int decodeAskingFor(const QString &path, AVPixelFormat hwFormat, int &pixelFormat)
{
    AVFormatContext *input = nullptr;
    if (avformat_open_input(&input, path.toUtf8().constData(), nullptr, nullptr) < 0)
        return -1;
    avformat_find_stream_info(input, nullptr);
    const AVCodec *codec = nullptr;
    const int index = av_find_best_stream(input, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    AVCodecContext *context = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(context, input->streams[index]->codecpar);
    HwDecodeContext hw{nullptr, hwFormat, 0};
    context->opaque = &hw;
    context->get_format = get_hw_format;
    context->thread_count = 1;
    int frames = 0;
    if (avcodec_open2(context, codec, nullptr) == 0) {
        AVPacket *packet = av_packet_alloc();
        AVFrame *frame = av_frame_alloc();
        auto drain = [&] {
            while (avcodec_receive_frame(context, frame) == 0) {
                ++frames;
                pixelFormat = frame->format;
            }
        };
        while (av_read_frame(input, packet) >= 0) {
            if (packet->stream_index == index && avcodec_send_packet(context, packet) == 0)
                drain();
            av_packet_unref(packet);
        }
        avcodec_send_packet(context, nullptr);
        drain();
        av_frame_free(&frame);
        av_packet_free(&packet);
    }
    avcodec_free_context(&context);
    avformat_close_input(&input);
    return frames;
}
} // namespace

TEST(HwFormatFallback, AHardwareFormatThatCannotBeSetUpFallsBackToSoftwareLoggedOnce)
{
    LogCapture log;
    int format = -1;
    const int frames = decodeAskingFor(TestMedia::path("gop.mp4"), AV_PIX_FMT_VAAPI, format);
    EXPECT_EQ(frames, 64);
    EXPECT_EQ(format, AV_PIX_FMT_YUV420P);
    EXPECT_EQ(log.startingWith(kDecoder, "Failed to get HW surface format").size(), 1);
    EXPECT_EQ(log.count(kDecoder, "decoding in software as yuv420p"), 1);
}

TEST(HwFormatFallback, OfferedHardwareFormatIsTakenAndNothingButHardwareGivesNone)
{
    HwDecodeContext hw{nullptr, AV_PIX_FMT_VAAPI, 0};
    AVCodecContext *context = avcodec_alloc_context3(nullptr);
    context->opaque = &hw;
    const AVPixelFormat both[] = {AV_PIX_FMT_VAAPI, AV_PIX_FMT_YUV420P, AV_PIX_FMT_NONE};
    EXPECT_EQ(get_hw_format(context, both), AV_PIX_FMT_VAAPI);
    const AVPixelFormat hardwareOnly[] = {AV_PIX_FMT_CUDA, AV_PIX_FMT_NONE};
    EXPECT_EQ(get_hw_format(context, hardwareOnly), AV_PIX_FMT_NONE);
    const AVPixelFormat softwareAfterHardware[] = {AV_PIX_FMT_VDPAU, AV_PIX_FMT_NV12,
                                                   AV_PIX_FMT_YUV420P, AV_PIX_FMT_NONE};
    EXPECT_EQ(get_hw_format(context, softwareAfterHardware), AV_PIX_FMT_NV12);
    avcodec_free_context(&context);
}
