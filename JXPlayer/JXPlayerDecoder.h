#pragma once

#include "JXPlayer/JXPlayerFrame.h"
#include "JXPlayer/JXPlayerQueue.h"

#include <atomic>
#include <mutex>

extern "C" {
#include <libavcodec/avcodec.h>
}

class JXPlayerDecoderAudioThread;
class JXPlayerDecoderVideoThread;
class JXPlayerPacket;
class JXPlayerReader;

// Hardware decoding helpers of the video codec (state in a HwDecodeContext in the codec
// context's opaque pointer).
// The pixel format codec delivers through a device of deviceType, or -1 (logged).
int get_hw_decoder_format(const AVCodec *codec, int deviceType);
// Creates the device into the context's HwDecodeContext and hands it to the codec context.
int hw_decoder_init(AVCodecContext *context, int deviceType);
// get_format callback: the device's pixel format if offered, else AV_PIX_FMT_NONE (logged).
enum AVPixelFormat get_hw_format(AVCodecContext *context, const enum AVPixelFormat *formats);

// Turns the reader's packets into frames on two threads, one per media kind. Each codec is
// opened from the first packet's codec id and reopened when the id changes; its frame
// queue lives and dies with it.
class JXPlayerDecoder
{
public:
    JXPlayerDecoder();
    virtual ~JXPlayerDecoder();
    JXPlayerDecoder(const JXPlayerDecoder &) = delete;
    JXPlayerDecoder &operator=(const JXPlayerDecoder &) = delete;

    // Starts a decode thread for each kind the reader has; 0.
    virtual int start();
    // Stops and joins the audio, then the video thread; each releases its codec.
    virtual void stop();
    virtual void play();
    virtual void pause();
    // AVHWDeviceType of the next video codec open; 0 = software decoding.
    virtual void setHwDeviceType(int type);
    virtual bool isRunning();
    // Each decode thread drops its queued frames and codec state at its next pass.
    virtual void flush();

    void setReader(JXPlayerReader *reader);
    JXPlayerReader *playerReader() const { return reader; }
    void setAudioEnabled(bool enabled);
    // Oldest decoded frame or null (also while no codec is open); the caller owns it.
    JXPlayerFrame *popVideoFrame();
    JXPlayerFrame *popAudioFrame();
    bool isVideoEOF() const;

    // Thread bodies.
    void decodeVideo();
    void decodeAudio();

    // Frames allowed to wait per kind before the decode thread stops taking packets.
    static constexpr int kMaxFrames = 2;

private:
    int _initVideoCodec(AVCodecID id);
    int _initAudioCodec(AVCodecID id);
    void _initHardware();
    void _releaseVideoCodec();
    void _releaseAudioCodec();
    int _sendVideoPacket(JXPlayerPacket *packet, AVFrame *frame);
    int _recvVideoFrame(AVFrame *frame, const AVRational &timeBase);
    int _sendAudioPacket(JXPlayerPacket *packet, AVFrame *frame);
    int _recvAudioFrame(AVFrame *frame, const AVRational &timeBase);
    bool _takeVideoPacket(JXPlayerPacket *packet);
    bool _takeAudioPacket(JXPlayerPacket *packet);
    void _flushVideo();
    void _flushAudio();
    bool _videoRunning() const;
    bool _audioRunning() const;
    int _queuedVideoFrames() const;
    int _queuedAudioFrames() const;

    JXPlayerReader *reader = nullptr;                               // not owned; set before start
    std::atomic<JXPlayerDecoderVideoThread *> videoThread{nullptr}; // owned
    std::atomic<JXPlayerDecoderAudioThread *> audioThread{nullptr}; // owned
    std::atomic<bool> videoEOF{false}; // written by the video thread, read by the render
    std::atomic<int> hwDeviceType{0};  // set by the client, read at the next codec open

    // Video codec state: video decode thread only.
    int videoCodecId = 0;
    const AVCodec *videoCodec = nullptr;
    AVCodecContext *videoContext = nullptr; // owned
    AVFrame *videoFrame = nullptr;          // owned work frame
    AVRational videoTimeBase{1, 30};
    // Owned; created and destroyed with the video codec by the video thread, which swaps
    // the pointer under videoFramesLock. popVideoFrame holds that lock while it pops, so a
    // render thread never touches a queue that is being destroyed.
    JXPlayerQueue<JXPlayerFrame> *videoFrames = nullptr;
    mutable std::mutex videoFramesLock;

    std::atomic<bool> audioEOF{false};
    // Audio codec state: audio decode thread only.
    int audioCodecId = 0;
    const AVCodec *audioCodec = nullptr;
    AVCodecContext *audioContext = nullptr; // owned
    AVFrame *audioFrame = nullptr;          // owned work frame
    AVRational audioTimeBase{1, 30};
    JXPlayerQueue<JXPlayerFrame> *audioFrames = nullptr; // as videoFrames
    mutable std::mutex audioFramesLock;

    bool videoStarted = false; // video thread only: a flagged packet opened the gate
    std::atomic<bool> audioEnabled{true};
    int maxAudioFrames = kMaxFrames;
    std::atomic<bool> videoFlushRequested{false};
    std::atomic<bool> audioFlushRequested{false};
};
