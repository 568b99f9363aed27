#pragma once

#include "JXPlayer/JXPlayerFrame.h"
#include "JXPlayer/JXPlayerQueue.h"
#include "JXUtils/JXMemberThread.h"

#include <atomic>
#include <condition_variable>
#include <mutex>

extern "C" {
#include <libavcodec/avcodec.h>
}

class JXPlayerDecoder;
class JXPlayerPacket;
class JXPlayerReader;

// The decode threads: their bodies are JXPlayerDecoder::decodeVideo() and decodeAudio().
using JXPlayerDecoderVideoThread = JXMemberThread<JXPlayerDecoder>;
using JXPlayerDecoderAudioThread = JXMemberThread<JXPlayerDecoder>;

// Hardware decoding helpers of the video codec (state in a HwDecodeContext in the codec
// context's opaque pointer).
// The pixel format codec delivers through a device of deviceType, or -1 (logged).
int get_hw_decoder_format(const AVCodec *codec, int deviceType);
// Creates the device into the context's HwDecodeContext and hands it to the codec context.
int hw_decoder_init(AVCodecContext *context, int deviceType);
// get_format callback: the device's pixel format if offered, else the first software format
// offered (logged once per codec), AV_PIX_FMT_NONE only when there is none.
enum AVPixelFormat get_hw_format(AVCodecContext *context, const enum AVPixelFormat *formats);

// Turns the reader's packets into frames on two threads, one per media kind. Each codec is
// opened from the first packet's codec id and reopened when the id changes; its frame
// queue lives and dies with it. Both kinds run the same code on a Stream of their own;
// what differs between them is the small table Kind.
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
    // Return when a decoded frame of the kind waits, or after milliseconds.
    void waitForVideoFrame(int milliseconds);
    void waitForAudioFrame(int milliseconds);
    bool isVideoEOF() const;

    // The decode threads of a video codec: slice threads (which add no delay) on every
    // core, and frame threads as well only where frameThreadsFor says so.
    static void chooseThreads(AVCodecContext *context, AVCodecID id, int cores, int width,
                              int height, bool wholeFrames);
    // Whether a stream of width x height needs frame threads: only when one core cannot
    // decode it in time, as each frame thread beyond the first holds back one more frame.
    // They need whole pictures (wholeFrames), not pieces.
    static bool frameThreadsFor(AVCodecID id, int width, int height, int cores);

    // Thread bodies.
    void decodeVideo();
    void decodeAudio();

    // Frames allowed to wait per kind before the decode thread stops taking packets.
    static constexpr int kMaxFrames = 2;
    // A decode thread with nothing to take sleeps at most this long (milliseconds) before
    // it looks at its stop and flush requests again; an arriving packet wakes it at once.
    static constexpr int kWakeMs = 5;

private:
    // What differs between video and audio decoding; one constant row per kind.
    struct Kind
    {
        const char *name;      // "video" / "audio", as log lines name the kind
        const char *title;     // "Video" / "Audio", as the send error line names it
        const char *separator; // between the send error's code and its text
        const char *threadName;
        void (JXPlayerDecoder::*body)();
        bool (JXPlayerReader::*present)(); // whether the input has this kind
        JXPlayerPacket *(JXPlayerReader::*popPacket)();
        int readerKind; // of JXPlayerReader::copyCodecParameters
        // Packets are dropped until one with non-zero flags (a key packet) opens the gate;
        // a flush or a decode error closes it again.
        bool keyPacketGate;
        // The codec may decode through the hardware device of hwDeviceType.
        bool hardware;
        // A busy or out-of-memory codec is waited for (1 ms), a failed send flushes it, and
        // at end of input the drained frames are waited for.
        bool patient;
    };
    static const Kind kVideo;
    static const Kind kAudio;

    // One media kind's decoding state.
    struct Stream
    {
        explicit Stream(const Kind &kind) : kind(kind) {}

        const Kind &kind;
        // Owned (a JXPlayerDecoderVideoThread or JXPlayerDecoderAudioThread); replaced by
        // start and stop on the client's thread only; read by the body and by isRunning.
        std::atomic<JXMemberThread<JXPlayerDecoder> *> thread{nullptr};
        std::atomic<bool> eof{false}; // written by this kind's thread; read by the render
        std::atomic<bool> flushRequested{false}; // set by any thread; cleared by this kind's thread
        std::atomic<bool> enabled{true};         // set by any thread; packets are dropped while off

        // Codec state: this kind's decode thread only (start resets codecId while none runs).
        int codecId = 0;
        const AVCodec *codec = nullptr;
        AVCodecContext *context = nullptr; // owned
        AVFrame *frame = nullptr;          // owned work frame
        AVRational timeBase{1, 30};
        double readAt = 0.0;  // of the packet last sent
        bool started = false; // the key-packet gate is open
        bool pieces = false;  // the codec was opened for pictures in pieces
        // The picture size, known from the first decoded frame (the stream description
        // often leaves it out); a codec that then turns out to need frame threads is
        // opened again with them at the next key packet that is a whole picture.
        int width = 0;
        int height = 0;
        bool upgradePending = false;

        // Owned; created and destroyed with the codec by this kind's thread, which swaps
        // the pointer under framesLock. _popFrame holds that lock while it pops, so a
        // render thread never touches a queue that is being destroyed.
        JXPlayerQueue<JXPlayerFrame> *frames = nullptr;
        mutable std::mutex framesLock;
        // Signalled after each frame push, under framesLock, so a waiting render thread
        // that has just found the queue empty cannot miss it.
        std::condition_variable frameArrived;
    };

    void _decode(Stream &stream);
    bool _takePacket(Stream &stream, JXPlayerPacket *packet);
    void _noteSize(Stream &stream, const AVFrame *frame);
    void _flush(Stream &stream);
    int _initCodec(Stream &stream, AVCodecID id);
    void _initHardware(Stream &stream);
    void _releaseCodec(Stream &stream);
    int _sendPacket(Stream &stream, JXPlayerPacket *packet);
    int _recvFrames(Stream &stream);
    JXPlayerFrame *_popFrame(Stream &stream);
    void _waitForFrame(Stream &stream, int milliseconds);
    bool _mayGoOn(const Stream &stream) const;

    JXPlayerReader *reader = nullptr; // not owned; set before start, then read-only
    std::atomic<int> hwDeviceType{0}; // set by the client, read at the next codec open
    Stream video{kVideo};
    Stream audio{kAudio};
};
