#include "JXPlayer/JXPlayerDecoder.h"

#include "JXPlayer/HwDecodeContext.h"
#include "JXPlayer/JXPlayerPacket.h"
#include "JXPlayer/JXPlayerReader.h"

#include <QDebug>

#include <algorithm>
#include <cstdlib>
#include <thread>

extern "C" {
#include <libavutil/error.h>
#include <libavutil/hwcontext.h>
#include <libavutil/pixdesc.h>
}

namespace {
// AV_PIX_FMT_DXVA2_VLD of the Windows build: the surface format the log line names, kept
// so that logs from both builds read alike.
constexpr int kDxva2SurfaceFormat = 51;
// More decode threads than this gain little and, as frame threads, add a frame each.
constexpr int kMaxDecodeThreads = 4;

// Swaps the queue pointer under its lock and destroys the old queue with its frames.
void replaceQueue(JXPlayerQueue<JXPlayerFrame> *&queue, std::mutex &lock,
                  JXPlayerQueue<JXPlayerFrame> *next)
{
    JXPlayerQueue<JXPlayerFrame> *old;
    {
        std::lock_guard<std::mutex> guard(lock);
        old = queue;
        queue = next;
    }
    delete old;
}

QByteArray errorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {0};
    av_strerror(code, text, sizeof text);
    return QByteArray(text);
}

enum AVPixelFormat firstSoftwareFormat(const enum AVPixelFormat *formats)
{
    for (const enum AVPixelFormat *format = formats; *format != AV_PIX_FMT_NONE; ++format) {
        const AVPixFmtDescriptor *descriptor = av_pix_fmt_desc_get(*format);
        if (descriptor && !(descriptor->flags & AV_PIX_FMT_FLAG_HWACCEL))
            return *format;
    }
    return AV_PIX_FMT_NONE;
}

void freeHwContext(AVCodecContext *context)
{
    auto *hw = static_cast<HwDecodeContext *>(context->opaque);
    if (!hw)
        return;
    av_buffer_unref(&hw->device);
    free(hw);
    context->opaque = nullptr;
}
} // namespace

int get_hw_decoder_format(const AVCodec *codec, int deviceType)
{
    for (int i = 0;; ++i) {
        const AVCodecHWConfig *config = avcodec_get_hw_config(codec, i);
        if (!config) {
            qDebug("[%d] Decoder %s does not support device type %s", i, codec->name,
                   av_hwdevice_get_type_name(static_cast<AVHWDeviceType>(deviceType)));
            return -1;
        }
        if ((config->methods & AV_CODEC_HW_CONFIG_METHOD_HW_DEVICE_CTX) &&
            config->device_type == deviceType)
            return config->pix_fmt;
    }
}

int hw_decoder_init(AVCodecContext *context, int deviceType)
{
    auto *hw = static_cast<HwDecodeContext *>(context->opaque);
    const int result = av_hwdevice_ctx_create(&hw->device, static_cast<AVHWDeviceType>(deviceType),
                                              nullptr, nullptr, 0);
    if (result < 0) {
        qDebug("Failed to create specified HW device");
        return result;
    }
    context->hw_device_ctx = av_buffer_ref(hw->device);
    context->get_format = get_hw_format;
    return 0;
}

enum AVPixelFormat get_hw_format(AVCodecContext *context, const enum AVPixelFormat *formats)
{
    auto *hw = static_cast<HwDecodeContext *>(context->opaque);
    for (const enum AVPixelFormat *format = formats; *format != AV_PIX_FMT_NONE; ++format) {
        if (hw && *format == hw->hwPixelFormat)
            return *format;
    }
    // The device cannot decode this stream (a profile it lacks): FFmpeg then offers only
    // software formats, and taking one keeps the picture instead of failing every frame.
    const enum AVPixelFormat software = firstSoftwareFormat(formats);
    if (!hw || !hw->softwareLogged) {
        qDebug("Failed to get HW surface format, hc->format = %d, %d", hw ? hw->hwPixelFormat : -1,
               kDxva2SurfaceFormat);
        if (software != AV_PIX_FMT_NONE)
            qDebug("decoding in software as %s", av_get_pix_fmt_name(software));
        if (hw)
            hw->softwareLogged = 1;
    }
    return software;
}

// clang-format off
const JXPlayerDecoder::Kind JXPlayerDecoder::kVideo = {
    "video", "Video", ", ", "JXPlayerDecoderVideoThread", &JXPlayerDecoder::decodeVideo,
    &JXPlayerReader::hasVideo, &JXPlayerReader::popVideoPacket, JXPlayerReader::kVideoKind,
    /* keyPacketGate */ true,  /* hardware */ true,  /* patient */ true};
const JXPlayerDecoder::Kind JXPlayerDecoder::kAudio = {
    "audio", "Audio", "\n", "JXPlayerDecoderAudioThread", &JXPlayerDecoder::decodeAudio,
    &JXPlayerReader::hasAudio, &JXPlayerReader::popAudioPacket, JXPlayerReader::kAudioKind,
    /* keyPacketGate */ false, /* hardware */ false, /* patient */ false};
// clang-format on

JXPlayerDecoder::JXPlayerDecoder() = default;

JXPlayerDecoder::~JXPlayerDecoder()
{
    stop();
}

int JXPlayerDecoder::start()
{
    for (Stream *stream : {&video, &audio}) {
        stream->flushRequested = false;
        stream->eof = false;
        stream->codecId = 0;
        stream->width = stream->height = 0;
        stream->upgradePending = false;
    }
    for (Stream *stream : {&video, &audio}) {
        if ((reader->*stream->kind.present)())
            JXThread::launch(stream->thread, new JXMemberThread<JXPlayerDecoder>(
                                                 this, stream->kind.body, stream->kind.threadName));
    }
    return 0;
}

void JXPlayerDecoder::stop()
{
    JXThread::halt(audio.thread);
    JXThread::halt(video.thread);
}

void JXPlayerDecoder::play()
{}

void JXPlayerDecoder::pause()
{}

void JXPlayerDecoder::setHwDeviceType(int type)
{
    hwDeviceType = type;
}

bool JXPlayerDecoder::isRunning()
{
    return JXThread::running(video.thread) || JXThread::running(audio.thread);
}

void JXPlayerDecoder::flush()
{
    video.flushRequested = true;
    audio.flushRequested = true;
}

void JXPlayerDecoder::setReader(JXPlayerReader *reader)
{
    this->reader = reader;
}

void JXPlayerDecoder::setAudioEnabled(bool enabled)
{
    audio.enabled = enabled;
}

JXPlayerFrame *JXPlayerDecoder::popVideoFrame()
{
    return _popFrame(video);
}

JXPlayerFrame *JXPlayerDecoder::popAudioFrame()
{
    return _popFrame(audio);
}

void JXPlayerDecoder::waitForVideoFrame(int milliseconds)
{
    _waitForFrame(video, milliseconds);
}

void JXPlayerDecoder::waitForAudioFrame(int milliseconds)
{
    _waitForFrame(audio, milliseconds);
}

bool JXPlayerDecoder::isVideoEOF() const
{
    return video.eof;
}

void JXPlayerDecoder::decodeVideo()
{
    _decode(video);
}

void JXPlayerDecoder::decodeAudio()
{
    _decode(audio);
}

void JXPlayerDecoder::_decode(Stream &stream)
{
    bool sentSinceEOF = false;
    stream.started = false;
    while (_mayGoOn(stream)) {
        if (stream.frames && stream.frames->size() >= kMaxFrames) {
            JXThread::msleep(1);
            continue;
        }
        if (stream.flushRequested) {
            _flush(stream);
            continue;
        }
        if (JXPlayerPacket *packet = (reader->*stream.kind.popPacket)()) {
            sentSinceEOF = true;
            if (!_takePacket(stream, packet))
                break;
            continue;
        }
        if (reader->isEOF()) {
            stream.eof = true;
            if (sentSinceEOF) {
                qDebug("eof send NULL %s packet", stream.kind.name);
                _sendPacket(stream, nullptr);
                sentSinceEOF = false;
            }
        }
        reader->waitForPacket(stream.kind.readerKind, kWakeMs);
    }
    _releaseCodec(stream);
}

bool JXPlayerDecoder::_takePacket(Stream &stream, JXPlayerPacket *packet)
{
    stream.eof = false;
    if (stream.upgradePending && !packet->piece && (packet->packet->flags & AV_PKT_FLAG_KEY)) {
        stream.upgradePending = false;
        _releaseCodec(stream);
    }
    if (packet->codecId != stream.codecId || !stream.context) {
        _releaseCodec(stream);
        stream.pieces = packet->piece;
        if (_initCodec(stream, static_cast<AVCodecID>(packet->codecId)) < 0) {
            delete packet;
            return false;
        }
    }
    // Until a flagged (key) packet arrives a gated decoder would only produce broken
    // pictures.
    const bool gateOpen =
        !stream.kind.keyPacketGate || stream.started || packet->packet->flags != 0;
    if (stream.enabled && gateOpen) {
        stream.started = true;
        _sendPacket(stream, packet);
    }
    delete packet;
    return true;
}

void JXPlayerDecoder::_flush(Stream &stream)
{
    qDebug("flush %s", stream.kind.name);
    if (stream.frames)
        stream.frames->clear();
    if (stream.context)
        avcodec_flush_buffers(stream.context);
    stream.started = false;
    stream.flushRequested = false;
}

int JXPlayerDecoder::_initCodec(Stream &stream, AVCodecID id)
{
    stream.codecId = id;
    if (id == AV_CODEC_ID_NONE) {
        stream.codec = nullptr;
        stream.context = nullptr;
        return -1;
    }
    stream.codec = avcodec_find_decoder(id);
    if (!stream.codec)
        return -1;
    stream.context = avcodec_alloc_context3(stream.codec);
    reader->copyCodecParameters(stream.kind.readerKind, stream.context);
    if (stream.kind.hardware) {
        if (stream.pieces)
            stream.context->flags2 |= AV_CODEC_FLAG2_CHUNKS;
        chooseThreads(stream.context, id, static_cast<int>(std::thread::hardware_concurrency()),
                      stream.width ? stream.width : stream.context->width,
                      stream.height ? stream.height : stream.context->height, !stream.pieces);
    }
    if (stream.kind.hardware && hwDeviceType != 0)
        _initHardware(stream);
    const int result = avcodec_open2(stream.context, stream.codec, nullptr);
    if (result < 0) {
        qDebug("avcodec_open2(%s = %d) failed = %d", stream.kind.name, id, result);
        _releaseCodec(stream);
        return -1;
    }
    stream.frame = av_frame_alloc();
    replaceQueue(stream.frames, stream.framesLock, new JXPlayerQueue<JXPlayerFrame>);
    return 0;
}

void JXPlayerDecoder::_initHardware(Stream &stream)
{
    const int type = hwDeviceType;
    auto *hw = static_cast<HwDecodeContext *>(malloc(sizeof(HwDecodeContext)));
    hw->device = nullptr;
    hw->softwareLogged = 0;
    hw->hwPixelFormat = get_hw_decoder_format(stream.codec, type);
    stream.context->opaque = hw;
    if (hw_decoder_init(stream.context, type) < 0) {
        // Without the device the codec decodes in software.
        qDebug("hw decoder init failure, deviceType = %d, format = %d", type, hw->hwPixelFormat);
        freeHwContext(stream.context);
    }
}

void JXPlayerDecoder::_releaseCodec(Stream &stream)
{
    replaceQueue(stream.frames, stream.framesLock, nullptr);
    av_frame_free(&stream.frame);
    if (stream.kind.hardware && stream.context)
        freeHwContext(stream.context);
    avcodec_free_context(&stream.context);
    stream.codecId = 0;
    stream.codec = nullptr;
}

int JXPlayerDecoder::_sendPacket(Stream &stream, JXPlayerPacket *packet)
{
    if (packet) {
        stream.timeBase = packet->timeBase;
        stream.readAt = packet->readAt;
    }
    const AVPacket *data = packet ? packet->packet : nullptr;
    const bool patient = stream.kind.patient;
    int result = 0;
    while (_mayGoOn(stream)) {
        result = avcodec_send_packet(stream.context, data);
        if (result >= 0)
            return _recvFrames(stream);
        if (result == AVERROR(EAGAIN)) {
            _recvFrames(stream);
            if (patient)
                JXThread::msleep(1);
        } else if (result == AVERROR(ENOMEM) && patient) {
            JXThread::msleep(1);
        } else if (result == AVERROR_EOF) {
            // The codec was drained without a flush: start it afresh.
            const int id = stream.codecId;
            _releaseCodec(stream);
            if (_initCodec(stream, static_cast<AVCodecID>(id)) < 0)
                return result;
        } else {
            qDebug("_send%sPacket error = %d%s%s", stream.kind.title, result, stream.kind.separator,
                   errorText(result).constData());
            if (patient) {
                avcodec_flush_buffers(stream.context);
                stream.started = false;
            }
            return result;
        }
    }
    return result < 0 ? result : _recvFrames(stream);
}

int JXPlayerDecoder::_recvFrames(Stream &stream)
{
    while (_mayGoOn(stream)) {
        const int result = avcodec_receive_frame(stream.context, stream.frame);
        if (result >= 0) {
            if (stream.kind.hardware && !stream.width)
                _noteSize(stream, stream.frame);
            // The frame record takes the work frame's reference, leaving it blank.
            auto *decoded = new JXPlayerFrame(stream.frame, stream.timeBase);
            decoded->readAt = stream.readAt;
            stream.frames->push(decoded);
            {
                // A render thread that found the queue empty is waiting by the time this
                // lock is free, so the signal cannot fall between its look and its wait.
                std::lock_guard<std::mutex> guard(stream.framesLock);
            }
            stream.frameArrived.notify_all();
        } else if (result == AVERROR(EAGAIN)) {
            // At end of input a patient kind waits for the drained frames still to come.
            if (!stream.kind.patient || !stream.eof)
                return 0;
            JXThread::msleep(1);
        } else {
            qDebug("recv %s frame %d, %x, %s", stream.kind.name, result,
                   static_cast<unsigned>(result), errorText(result).constData());
            avcodec_flush_buffers(stream.context);
            stream.started = false;
            return result;
        }
    }
    return 0;
}

// The pointer is read under the lock: a copy made before locking could name a queue that
// the decode thread has destroyed meanwhile.
JXPlayerFrame *JXPlayerDecoder::_popFrame(Stream &stream)
{
    std::lock_guard<std::mutex> guard(stream.framesLock);
    return stream.frames ? stream.frames->pop() : nullptr;
}

void JXPlayerDecoder::_waitForFrame(Stream &stream, int milliseconds)
{
    std::unique_lock<std::mutex> guard(stream.framesLock);
    stream.frameArrived.wait_for(guard, std::chrono::milliseconds(milliseconds),
                                 [&stream] { return stream.frames && stream.frames->size() > 0; });
}

bool JXPlayerDecoder::frameThreadsFor(AVCodecID id, int width, int height, int cores)
{
    // One core decodes a 1080p H.264 picture in time at 30 fps with room to spare; H.265
    // costs about twice as much per pixel. Past that a single thread falls behind, and the
    // frame of delay that one more frame thread adds is the lesser evil.
    constexpr int64_t kOneCorePixels = 1920 * 1080;
    const int64_t cost = int64_t{width} * height * (id == AV_CODEC_ID_HEVC ? 2 : 1);
    return cores > 1 && cost > kOneCorePixels;
}

void JXPlayerDecoder::chooseThreads(AVCodecContext *context, AVCodecID id, int cores, int width,
                                    int height, bool wholeFrames)
{
    context->thread_count = std::max(1, std::min(cores, kMaxDecodeThreads));
    context->thread_type = FF_THREAD_SLICE;
    if (wholeFrames && frameThreadsFor(id, width, height, cores))
        context->thread_type |= FF_THREAD_FRAME;
}

void JXPlayerDecoder::_noteSize(Stream &stream, const AVFrame *frame)
{
    stream.width = frame->width;
    stream.height = frame->height;
    const int cores = static_cast<int>(std::thread::hardware_concurrency());
    const auto id = static_cast<AVCodecID>(stream.codecId);
    if (!frameThreadsFor(id, stream.width, stream.height, cores) ||
        (stream.context->active_thread_type & FF_THREAD_FRAME))
        return;
    qDebug("video %dx%d needs frame threads: the decoder reopens at the next key frame",
           stream.width, stream.height);
    stream.upgradePending = true;
    if (stream.pieces)
        reader->wantWholeVideoFrames();
}

bool JXPlayerDecoder::_mayGoOn(const Stream &stream) const
{
    return JXThread::mayGoOn(stream.thread);
}
