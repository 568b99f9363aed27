#pragma once

#include "JXPlayer/JXPlayerNalJoiner.h"
#include "JXPlayer/JXPlayerPacket.h"
#include "JXPlayer/JXPlayerPictureJoiner.h"
#include "JXPlayer/JXPlayerQueue.h"
#include "JXPlayer/JXPlayerReaderCommand.h"
#include "JXUtils/JXMemberThread.h"

#include <QByteArray>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

struct AVCodecContext;
struct AVDictionary;
struct AVFormatContext;
struct AVStream;
class JXPlayerReader;
class JXPlayerReaderObserver;

// The reader thread: its body is JXPlayerReader::read().
using JXPlayerReaderThread = JXMemberThread<JXPlayerReader>;

// Opens one media URL (a device's RTSP address in practice) and sorts its packets into a
// video and an audio queue on its own thread. Only the reader thread calls the demuxer;
// play, pause, seek and flush from other threads reach it as requests.
class JXPlayerReader
{
public:
    // Kinds of copyCodecParameters.
    static constexpr int kVideoKind = 0;
    static constexpr int kAudioKind = 1;

    JXPlayerReader();
    virtual ~JXPlayerReader();
    JXPlayerReader(const JXPlayerReader &) = delete;
    JXPlayerReader &operator=(const JXPlayerReader &) = delete;

    // Empties all queues and starts the reader thread; 0.
    virtual int start();
    // Asks the reader thread to stop and waits for it at most kStopWaitMs: a thread that
    // ended is joined and the queues are emptied. A thread blocked where the interrupt
    // callback cannot reach it (a name lookup, a file that never opens) is left running;
    // it ends on its own at the next callback, and release() frees the reader then.
    virtual void stop();
    virtual void play();
    virtual void pause();
    // Asks the reader thread to seek to seconds; the result comes as event 3 or 4.
    virtual void seek(double seconds);
    // Seconds; 0 before the first open, -1 when closed or when the input does not tell.
    virtual double duration();
    virtual bool hasVideo();
    virtual bool hasAudio();
    // Oldest queued packet or null; the caller owns it.
    virtual JXPlayerPacket *popVideoPacket();
    virtual JXPlayerPacket *popAudioPacket();
    virtual bool isEOF();
    // Returns when a packet of kind (kVideoKind, kAudioKind) waits, or after milliseconds.
    virtual void waitForPacket(int kind, int milliseconds);
    // Packets of kind waiting to be decoded.
    virtual int queuedPackets(int kind);
    // Fills context from the video (kVideoKind) or audio (kAudioKind) stream's parameters.
    virtual void copyCodecParameters(int kind, AVCodecContext *context);
    // KiB per second over the last measurement window.
    virtual double bitrate();
    virtual bool isRunning();
    // Drops every queued packet and the demuxer's buffered data.
    virtual void flush();

    void setUrl(const QByteArray &url);
    void setRealtime(bool realtime);
    // A live source: the later stages show what is newest rather than what is next.
    bool isRealtime() const { return realtime; }
    // Whether video packets come as pieces of pictures (see JXPlayerNalJoiner).
    bool videoInPieces() const { return videoPieces; }
    // Any thread: video packets from now on carry whole pictures (a decoder that needs
    // them, for frame threads, asks); packets already queued stay as they are.
    void wantWholeVideoFrames() { wholeFramesWanted = true; }
    void setTimeout(double seconds);
    // Once this returns, no event is being raised to the previous observer, nor will be.
    void setObserver(JXPlayerReaderObserver *observer);
    // FFmpeg's "protocol_whitelist" for the open, e.g. "tcp,udp,rtp"; empty leaves
    // FFmpeg's own choice (every protocol it knows).
    void setProtocolWhitelist(const QByteArray &protocols);

    // The owner lets go of reader: deleted at once when its thread has ended, otherwise
    // by a thread of its own as soon as the reader thread ends. Never waits.
    static void release(JXPlayerReader *reader);
    // The reader thread's body.
    void read();
    // Performs a seek on the reader thread.
    void doSeek(double seconds);

    // url with the password of its user information (user:password@) replaced by ***.
    static QByteArray redactedUrl(const QByteArray &url);
    // FFmpeg's code for the last failed open (negative); 0 before any open and after one
    // that succeeded.
    int openError() const { return openError_; }
    // Whether an open failed because the server refused the user name or password: the same
    // address will be refused again, so trying it again only locks the account sooner.
    static bool isLoginRefused(int error);

    // Given to FFmpeg: bounds the open by the timeout and ends any blocking call on stop.
    static int interruptCallback(void *opaque);

    // Video packets allowed to wait before reading pauses (or, in realtime mode, before
    // the backlog is dropped).
    static constexpr int kMaxVideoPackets = 30;
    // How long stop() waits for the thread. FFmpeg's network waits look at the interrupt
    // callback every 100 ms, so a reader that can end at all has ended by then.
    static constexpr int kStopWaitMs = 250;

protected:
    // Demuxer calls that tests and benchmarks watch; they run on the reader thread.
    virtual int _seekFile(AVFormatContext *context, int streamIndex, int64_t minTs, int64_t ts,
                          int64_t maxTs, int flags);
    virtual int _readFrame(AVFormatContext *context, AVPacket *packet);
    virtual int _openInput(AVFormatContext **context, const char *url, AVDictionary **options);

private:
    // Running count of bytes read, for the bitrate.
    struct ByteWindow
    {
        double start;
        int64_t total;
        int64_t atStart;
    };

    int _open();
    void _choosePieces();
    void _queueVideo(AVPacket *packet, AVStream *video);
    void _resetJoiners();
    void _close();
    void _selectStreams();
    double _streamDuration() const;
    bool _throttled();
    bool _runCommand(bool paused);
    int _readPacket(AVPacket *packet, ByteWindow &window);
    void _queuePacket(AVPacket *packet);
    void _countBytes(int size, ByteWindow &window);
    bool _onReaderThread() const;
    bool _stopRequested() const;
    // Waits up to milliseconds for the reader thread's body to end; true when it has.
    bool _waitForThread(int milliseconds);
    void _raise(int event);

    QByteArray url;                                // set before start, read by the reader thread
    AVFormatContext *formatContext = nullptr;      // reader thread only; freed under streamLock
    std::atomic<bool> eof{false};                  // written by the reader thread
    std::atomic<bool> seekRequested{false};        // set by any thread, cleared by the reader
    std::atomic<double> seekTarget{0.0};           // seconds; published before seekRequested
    std::atomic<double> duration_{0.0};            // written by the reader thread
    std::atomic<bool> realtime{false};             // read when opening and on overflow
    std::atomic<double> openStartTime{0.0};        // monotonic clock; 0 when not opening
    std::atomic<double> timeout{0.0};              // seconds; 0 = the open is not bounded
    std::atomic<double> bitrate_{0.0};             // written by the reader thread
    std::atomic<int> openError_{0};                // written by the reader thread
    std::atomic<AVStream *> videoStream{nullptr};  // owned by formatContext
    JXPlayerQueue<JXPlayerPacket> videoPackets;    // reader thread -> video decode thread
    int maxVideoPackets = kMaxVideoPackets;        // constant; read by the reader thread
    std::atomic<AVStream *> audioStream{nullptr};  // owned by formatContext
    JXPlayerQueue<JXPlayerPacket> audioPackets;    // reader thread -> audio decode thread
    JXPlayerQueue<JXPlayerReaderCommand> commands; // client -> reader thread
    std::atomic<JXPlayerReaderThread *> thread{nullptr}; // owned; replaced by start/stop only
    JXPlayerReaderObserver *observer = nullptr;          // not owned; under observerLock
    QByteArray protocolWhitelist; // set before start, read by the reader thread

    // Held by the reader thread while it raises an event, and by setObserver: an owner
    // that has cleared the observer may take its stages down without joining this thread.
    std::mutex observerLock;
    // Keeps the streams alive while a decode thread copies their parameters.
    mutable std::mutex streamLock;
    // A flush from another thread leaves the demuxer's own buffers to the reader thread.
    std::atomic<bool> demuxFlushRequested{false};
    // Live H.264 and H.265 are demuxed unparsed and joined into units here, so that a
    // picture reaches the decoder as its last piece arrives; H.265 units are gathered into
    // whole pictures. The joiners: reader thread only.
    JXPlayerNalJoiner joiner;
    JXPlayerPictureJoiner pictureJoiner;
    std::atomic<bool> videoPieces{false};       // written by the reader thread
    std::atomic<bool> wholeFramesWanted{false}; // set by any thread, read by the reader
    // Written by the reader thread as it begins; read by flush() on any thread.
    std::atomic<std::thread::id> readerThreadId{};
};
