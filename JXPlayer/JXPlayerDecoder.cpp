#include "JXPlayer/JXPlayerDecoder.h"

#include "JXPlayer/HwDecodeContext.h"
#include "JXPlayer/JXPlayerDecoderAudioThread.h"
#include "JXPlayer/JXPlayerDecoderVideoThread.h"
#include "JXPlayer/JXPlayerPacket.h"
#include "JXPlayer/JXPlayerReader.h"

#include <QDebug>

#include <cstdlib>

extern "C" {
#include <libavutil/error.h>
#include <libavutil/hwcontext.h>
}

namespace {
// AV_PIX_FMT_DXVA2_VLD of the Windows build: the surface format the log line names, kept
// so that logs from both builds read alike.
constexpr int kDxva2SurfaceFormat = 51;

// The pointer is taken by reference and read under the lock: a copy made before locking
// could name a queue that the decode thread has destroyed meanwhile.
JXPlayerFrame *popFrom(JXPlayerQueue<JXPlayerFrame> *const &queue, std::mutex &lock)
{
    std::lock_guard<std::mutex> guard(lock);
    return queue ? queue->pop() : nullptr;
}

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
    const auto *hw = static_cast<const HwDecodeContext *>(context->opaque);
    for (const enum AVPixelFormat *format = formats; *format != AV_PIX_FMT_NONE; ++format) {
        if (hw && *format == hw->hwPixelFormat)
            return *format;
    }
    qDebug("Failed to get HW surface format, hc->format = %d, %d", hw ? hw->hwPixelFormat : -1,
           kDxva2SurfaceFormat);
    return AV_PIX_FMT_NONE;
}

JXPlayerDecoder::JXPlayerDecoder() = default;

JXPlayerDecoder::~JXPlayerDecoder()
{
    stop();
}

int JXPlayerDecoder::start()
{
    videoFlushRequested = false;
    audioFlushRequested = false;
    videoEOF = false;
    audioEOF = false;
    videoCodecId = 0;
    audioCodecId = 0;
    if (reader->hasVideo()) {
        auto *worker = new JXPlayerDecoderVideoThread(this);
        videoThread = worker;
        worker->start();
    }
    if (reader->hasAudio()) {
        auto *worker = new JXPlayerDecoderAudioThread(this);
        audioThread = worker;
        worker->start();
    }
    return 0;
}

void JXPlayerDecoder::stop()
{
    JXPlayerThread::halt(audioThread);
    JXPlayerThread::halt(videoThread);
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
    return JXPlayerThread::running(videoThread) || JXPlayerThread::running(audioThread);
}

void JXPlayerDecoder::flush()
{
    videoFlushRequested = true;
    audioFlushRequested = true;
}

void JXPlayerDecoder::setReader(JXPlayerReader *reader)
{
    this->reader = reader;
}

void JXPlayerDecoder::setAudioEnabled(bool enabled)
{
    audioEnabled = enabled;
}

JXPlayerFrame *JXPlayerDecoder::popVideoFrame()
{
    return popFrom(videoFrames, videoFramesLock);
}

JXPlayerFrame *JXPlayerDecoder::popAudioFrame()
{
    return popFrom(audioFrames, audioFramesLock);
}

bool JXPlayerDecoder::isVideoEOF() const
{
    return videoEOF;
}

void JXPlayerDecoder::decodeVideo()
{
    bool sentSinceEOF = false;
    videoStarted = false;
    while (_videoRunning()) {
        if (_queuedVideoFrames() >= kMaxFrames) {
            JXThread::msleep(1);
            continue;
        }
        if (videoFlushRequested) {
            _flushVideo();
            continue;
        }
        if (JXPlayerPacket *packet = reader->popVideoPacket()) {
            sentSinceEOF = true;
            if (!_takeVideoPacket(packet))
                break;
            continue;
        }
        if (reader->isEOF()) {
            videoEOF = true;
            if (sentSinceEOF) {
                qDebug("eof send NULL video packet");
                _sendVideoPacket(nullptr, videoFrame);
                sentSinceEOF = false;
            }
        }
        JXThread::msleep(1);
    }
    _releaseVideoCodec();
}

void JXPlayerDecoder::decodeAudio()
{
    bool sentSinceEOF = false;
    while (_audioRunning()) {
        if (maxAudioFrames > 0 && _queuedAudioFrames() >= maxAudioFrames) {
            JXThread::msleep(1);
            continue;
        }
        if (audioFlushRequested) {
            _flushAudio();
            continue;
        }
        if (JXPlayerPacket *packet = reader->popAudioPacket()) {
            sentSinceEOF = true;
            if (!_takeAudioPacket(packet))
                break;
            continue;
        }
        if (reader->isEOF()) {
            audioEOF = true;
            if (sentSinceEOF) {
                qDebug("eof send NULL audio packet");
                _sendAudioPacket(nullptr, audioFrame);
                sentSinceEOF = false;
            }
        }
        JXThread::msleep(1);
    }
    _releaseAudioCodec();
}

bool JXPlayerDecoder::_takeVideoPacket(JXPlayerPacket *packet)
{
    videoEOF = false;
    if (packet->codecId != videoCodecId || !videoContext) {
        _releaseVideoCodec();
        if (_initVideoCodec(static_cast<AVCodecID>(packet->codecId)) < 0) {
            delete packet;
            return false;
        }
    }
    // Until a flagged (key) packet arrives the decoder would only produce broken pictures.
    if (videoStarted || packet->packet->flags != 0) {
        videoStarted = true;
        _sendVideoPacket(packet, videoFrame);
    }
    delete packet;
    return true;
}

bool JXPlayerDecoder::_takeAudioPacket(JXPlayerPacket *packet)
{
    audioEOF = false;
    if (packet->codecId != audioCodecId || !audioContext) {
        _releaseAudioCodec();
        if (_initAudioCodec(static_cast<AVCodecID>(packet->codecId)) < 0) {
            delete packet;
            return false;
        }
    }
    if (audioEnabled)
        _sendAudioPacket(packet, audioFrame);
    delete packet;
    return true;
}

void JXPlayerDecoder::_flushVideo()
{
    qDebug("flush video");
    if (videoFrames)
        videoFrames->clear();
    if (videoContext)
        avcodec_flush_buffers(videoContext);
    videoStarted = false;
    videoFlushRequested = false;
}

void JXPlayerDecoder::_flushAudio()
{
    qDebug("flush audio");
    if (audioFrames)
        audioFrames->clear();
    if (audioContext)
        avcodec_flush_buffers(audioContext);
    audioFlushRequested = false;
}

int JXPlayerDecoder::_initVideoCodec(AVCodecID id)
{
    videoCodecId = id;
    if (id == AV_CODEC_ID_NONE) {
        videoCodec = nullptr;
        videoContext = nullptr;
        return -1;
    }
    videoCodec = avcodec_find_decoder(id);
    if (!videoCodec)
        return -1;
    videoContext = avcodec_alloc_context3(videoCodec);
    reader->copyCodecParameters(JXPlayerReader::kVideoKind, videoContext);
    if (hwDeviceType != 0)
        _initHardware();
    const int result = avcodec_open2(videoContext, videoCodec, nullptr);
    if (result < 0) {
        qDebug("avcodec_open2(video = %d) failed = %d", id, result);
        _releaseVideoCodec();
        return -1;
    }
    videoFrame = av_frame_alloc();
    replaceQueue(videoFrames, videoFramesLock, new JXPlayerQueue<JXPlayerFrame>);
    return 0;
}

void JXPlayerDecoder::_initHardware()
{
    const int type = hwDeviceType;
    auto *hw = static_cast<HwDecodeContext *>(malloc(sizeof(HwDecodeContext)));
    hw->device = nullptr;
    hw->hwPixelFormat = get_hw_decoder_format(videoCodec, type);
    videoContext->opaque = hw;
    if (hw_decoder_init(videoContext, type) < 0) {
        // Without the device the codec decodes in software.
        qDebug("hw decoder init failure, deviceType = %d, format = %d", type, hw->hwPixelFormat);
        freeHwContext(videoContext);
    }
}

int JXPlayerDecoder::_initAudioCodec(AVCodecID id)
{
    audioCodecId = id;
    if (id == AV_CODEC_ID_NONE) {
        audioCodec = nullptr;
        audioContext = nullptr;
        return -1;
    }
    audioCodec = avcodec_find_decoder(id);
    if (!audioCodec)
        return -1;
    audioContext = avcodec_alloc_context3(audioCodec);
    reader->copyCodecParameters(JXPlayerReader::kAudioKind, audioContext);
    const int result = avcodec_open2(audioContext, audioCodec, nullptr);
    if (result < 0) {
        qDebug("avcodec_open2(audio = %d) failed = %d", id, result);
        _releaseAudioCodec();
        return -1;
    }
    audioFrame = av_frame_alloc();
    replaceQueue(audioFrames, audioFramesLock, new JXPlayerQueue<JXPlayerFrame>);
    return 0;
}

void JXPlayerDecoder::_releaseVideoCodec()
{
    replaceQueue(videoFrames, videoFramesLock, nullptr);
    av_frame_free(&videoFrame);
    if (videoContext)
        freeHwContext(videoContext);
    avcodec_free_context(&videoContext);
    videoCodecId = 0;
    videoCodec = nullptr;
}

void JXPlayerDecoder::_releaseAudioCodec()
{
    replaceQueue(audioFrames, audioFramesLock, nullptr);
    av_frame_free(&audioFrame);
    avcodec_free_context(&audioContext);
    audioCodecId = 0;
    audioCodec = nullptr;
}

int JXPlayerDecoder::_sendVideoPacket(JXPlayerPacket *packet, AVFrame *frame)
{
    if (packet)
        videoTimeBase = packet->timeBase;
    const AVPacket *data = packet ? packet->packet : nullptr;
    int result = 0;
    while (_videoRunning()) {
        result = avcodec_send_packet(videoContext, data);
        if (result >= 0)
            return _recvVideoFrame(frame, videoTimeBase);
        if (result == AVERROR(EAGAIN)) {
            _recvVideoFrame(frame, videoTimeBase);
            JXThread::msleep(1);
        } else if (result == AVERROR(ENOMEM)) {
            JXThread::msleep(1);
        } else if (result == AVERROR_EOF) {
            // The codec was drained without a flush: start it afresh. Reopening replaces
            // the work frame, so the caller's pointer is not used again.
            const int id = videoCodecId;
            _releaseVideoCodec();
            if (_initVideoCodec(static_cast<AVCodecID>(id)) < 0)
                return result;
            frame = videoFrame;
        } else {
            qDebug("_sendVideoPacket error = %d, %s", result, errorText(result).constData());
            avcodec_flush_buffers(videoContext);
            videoStarted = false;
            return result;
        }
    }
    return result < 0 ? result : _recvVideoFrame(frame, videoTimeBase);
}

int JXPlayerDecoder::_recvVideoFrame(AVFrame *frame, const AVRational &timeBase)
{
    while (_videoRunning()) {
        const int result = avcodec_receive_frame(videoContext, frame);
        if (result >= 0) {
            // The frame record takes the work frame's reference, leaving it blank.
            videoFrames->push(new JXPlayerFrame(frame, timeBase));
        } else if (result == AVERROR(EAGAIN)) {
            // At end of input the drained frames are still to come.
            if (!videoEOF)
                return 0;
            JXThread::msleep(1);
        } else {
            qDebug("recv video frame %d, %x, %s", result, static_cast<unsigned>(result),
                   errorText(result).constData());
            avcodec_flush_buffers(videoContext);
            videoStarted = false;
            return result;
        }
    }
    return 0;
}

int JXPlayerDecoder::_sendAudioPacket(JXPlayerPacket *packet, AVFrame *frame)
{
    if (packet)
        audioTimeBase = packet->timeBase;
    const AVPacket *data = packet ? packet->packet : nullptr;
    int result = 0;
    while (_audioRunning()) {
        result = avcodec_send_packet(audioContext, data);
        if (result >= 0)
            return _recvAudioFrame(frame, audioTimeBase);
        if (result == AVERROR(EAGAIN)) {
            _recvAudioFrame(frame, audioTimeBase);
        } else if (result == AVERROR_EOF) {
            const int id = audioCodecId;
            _releaseAudioCodec();
            if (_initAudioCodec(static_cast<AVCodecID>(id)) < 0)
                return result;
            frame = audioFrame;
        } else {
            qDebug("_sendAudioPacket error = %d\n%s", result, errorText(result).constData());
            return result;
        }
    }
    return result < 0 ? result : _recvAudioFrame(frame, audioTimeBase);
}

int JXPlayerDecoder::_recvAudioFrame(AVFrame *frame, const AVRational &timeBase)
{
    while (_audioRunning()) {
        const int result = avcodec_receive_frame(audioContext, frame);
        if (result >= 0) {
            audioFrames->push(new JXPlayerFrame(frame, timeBase));
        } else if (result == AVERROR(EAGAIN)) {
            return 0;
        } else {
            qDebug("recv audio frame %d, %x, %s", result, static_cast<unsigned>(result),
                   errorText(result).constData());
            avcodec_flush_buffers(audioContext);
            return result;
        }
    }
    return 0;
}

bool JXPlayerDecoder::_videoRunning() const
{
    return JXPlayerThread::mayGoOn(videoThread);
}

bool JXPlayerDecoder::_audioRunning() const
{
    return JXPlayerThread::mayGoOn(audioThread);
}

int JXPlayerDecoder::_queuedVideoFrames() const
{
    // Only the video thread replaces the pointer, and only it asks.
    return videoFrames ? videoFrames->size() : 0;
}

int JXPlayerDecoder::_queuedAudioFrames() const
{
    return audioFrames ? audioFrames->size() : 0;
}
