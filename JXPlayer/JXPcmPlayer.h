#pragma once

#include <QAudioFormat>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>

class JXAudioConverter;
class QAudioOutput;
class QIODevice;
class QObject;
class QThread;
struct AVFrame;

// Plays decoded audio frames on the default output in push mode. Frames already in the
// output's format are written as they are; others are converted into 8192-byte chunks.
// The blocking write paces the audio render thread that calls play.
class JXPcmPlayer
{
public:
    JXPcmPlayer();
    virtual ~JXPcmPlayer();
    JXPcmPlayer(const JXPcmPlayer &) = delete;
    JXPcmPlayer &operator=(const JXPcmPlayer &) = delete;

    // Opens the default output with its preferred format at 16 bits; 0, or -1.
    int start();
    // Opens the output with format (or the nearest one it supports); 0, or -1.
    int start(const QAudioFormat &format);
    // Ends any write in progress, then closes the output. Safe from any thread.
    void stop();
    // Ends any write in progress at once and lets no further chunk through until the next
    // start; the output stays open. Used before joining the thread that writes.
    void abortWrite();
    // Only 0 has an effect: it mutes.
    void setVolume(float volume);
    // Milliseconds of sound the output may hold, from the next start on; 0 leaves it to
    // the output. The blocking write keeps the output full, so this is the sound's delay;
    // with a buffer set, converted sound is also written per frame, not in whole chunks.
    void setBufferMilliseconds(int milliseconds) { bufferMilliseconds = milliseconds; }
    // Plays one frame; -1 when no valid format is known, else 0.
    int play(const AVFrame *frame);
    // Pushes length bytes to the device; -1 when not started or when the device fails,
    // length when muted, else 0.
    int write(const char *data, int length);

    // The format start() asks for given the device's preferred one: 8 and 64 bits (and 0)
    // stay, every other size becomes 16.
    static QAudioFormat preferredOutputFormat(const QAudioFormat &preferred);
    // The AVSampleFormat of an output format, -1 when none fits.
    static int sampleFormatOf(const QAudioFormat &format);

    QAudioFormat outputFormat() const;
    bool isStopped() const { return stopped; }
    // The converter, once a frame needed one; for diagnostics and tests.
    const JXAudioConverter *audioConverter() const { return converter; }

    // Converted audio leaves the FIFO in chunks of this many bytes.
    static constexpr int kChunkBytes = 8192;

protected:
    // The output stage; tests replace it with a device of their own. defaultDeviceFormat
    // gives the default output's preferred format, false when there is no such output.
    // openOutput gets the wanted format and may change it to what the output accepted; it
    // returns the push device or null. closeOutput releases what openOutput made (an
    // override's destructor calls stop()). periodSize is the most one write hands the
    // device, negative while it cannot say.
    virtual bool defaultDeviceFormat(QAudioFormat &preferred);
    virtual QIODevice *openOutput(QAudioFormat &format);
    virtual void closeOutput();
    virtual int periodSize();

private:
    // Runs work on the audio thread and returns when it is done.
    void _onAudioThread(const std::function<void()> &work);
    bool _isOpen();
    int _writeOnce(const char *data, int length, qint64 &last);
    void _writeChunks();

    QIODevice *device = nullptr; // not owned (the output's); under deviceLock
    // Owned; made by start() while no write runs, used by writes and closed under deviceLock.
    // Lives on audioThread: it is made, stopped and deleted there.
    QAudioOutput *output = nullptr;
    // Owned; a thread with an event loop of its own for the output's timers and notifiers
    // (the render thread that writes has none). Started in the constructor, quit and
    // joined in the destructor.
    QThread *audioThread = nullptr;
    // Owned; lives on audioThread, the receiver that work is queued to. Deleted after the
    // thread has been joined.
    QObject *audioContext = nullptr;
    // Work handed to audioThread and its end, counted; under handOverLock, which the work
    // also runs under, so what it touches is ordered with the caller's before and after.
    std::mutex handOverLock;
    std::condition_variable handOverDone;
    unsigned long long handOversPosted = 0;
    unsigned long long handOversDone = 0;
    // Written by start() while no write runs (the render's audio thread is joined first);
    // read by the audio render thread.
    QAudioFormat format;
    std::atomic<float> volume{1.0f};        // set by the client, read by the writing thread
    std::atomic<int> bufferMilliseconds{0}; // set by the client, read by start
    JXAudioConverter *converter = nullptr;  // owned; audio render thread only
    std::atomic<bool> stopped{false};       // written by start/stop, read by any thread
    // Set by stop/abortWrite from any thread, cleared by start; ends a write at its next
    // chunk.
    std::atomic<bool> writeAborted{false};
    // Held for each hand-over to the device and while the output is closed, so stop()
    // never frees the device under a write.
    std::mutex deviceLock;
};
