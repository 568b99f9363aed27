#include "JXUtils/JXHttpUtils.h"

#include "JXUtils/JXSocketLayer.h"

#include <QDebug>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHttpMultiPart>
#include <QMetaEnum>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <memory>
#include <mutex>

// The device's update.cgi expects exactly this boundary and part layout.
const char JXHttpUtils::kBoundary[] = "window-lankit-upload";

namespace {
const char kPartContentType[] = "application/octet-stream";
// Port of an http URL that names none.
const int kHttpPort = 80;
// How often an upload looks at what the device has acknowledged.
const int kAcknowledgedLookMs = 100;

// Request body bytes of one upload; uploading thread only.
struct UploadCounts
{
    qint64 sent = 0;  // handed to the system, as the access manager reports
    qint64 total = 0; // of the whole body; 0 until the access manager says
    qint64 taken = 0; // acknowledged by the device, as last reported
};

QString errorName(QNetworkReply::NetworkError error)
{
    const QMetaEnum names = QMetaEnum::fromType<QNetworkReply::NetworkError>();
    const char *name = names.valueToKey(error);
    return name ? QString::fromLatin1(name) : QString::number(error);
}
} // namespace

JXHttpUtils::JXHttpUtils() : QObject(nullptr), manager(new QNetworkAccessManager)
{
    // Firmware goes straight to the device, never through a system or environment proxy.
    manager->setProxy(QNetworkProxy::NoProxy);
}

JXHttpUtils::~JXHttpUtils()
{
    delete manager;
}

QByteArray JXHttpUtils::contentType()
{
    return QByteArray("multipart/form-data; boundary=") + kBoundary;
}

QByteArray JXHttpUtils::contentDisposition(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    return QStringLiteral("form-data; name=\"file\"; filename=\"%1\"").arg(name).toUtf8();
}

QByteArray JXHttpUtils::logText(const QByteArray &answer)
{
    QByteArray text;
    const int shown = static_cast<int>(std::min<qint64>(answer.size(), kLogPrefix));
    for (int i = 0; i < shown; ++i) {
        const auto byte = static_cast<unsigned char>(answer.at(i));
        if (byte >= 0x20 && byte < 0x7f && byte != '\\')
            text.append(static_cast<char>(byte));
        else
            text.append(QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0')).toLatin1());
    }
    if (answer.size() > shown)
        text.append(QStringLiteral("... (%1 bytes)").arg(answer.size()).toLatin1());
    return text;
}

void JXHttpUtils::setStallLimit(int milliseconds)
{
    stallMs = milliseconds;
}

QByteArray JXHttpUtils::upload(const QString &url, const QString &file)
{
    qDebug("upload %s to %s", qUtf8Printable(file), qUtf8Printable(url));
    lastStatus = 0;
    stopped = false;
    if (cancelled.load()) {
        qDebug("upload cancelled before it began");
        lastOutcome = Cancelled;
        return QByteArray();
    }
    // A FIFO or a device would block the open or never end; a directory cannot be sent.
    const QFileInfo info(file);
    if (info.exists() && !info.isFile()) {
        qDebug("not a regular file: %s", qUtf8Printable(file));
        lastOutcome = NotRegularFile;
        return QByteArray();
    }
    return post(url, file);
}

QByteArray JXHttpUtils::post(const QString &url, const QString &file)
{
    QNetworkRequest request(QUrl(url, QUrl::TolerantMode));
    request.setHeader(QNetworkRequest::ContentTypeHeader, contentType());

    QHttpPart part;
    const QByteArray disposition = contentDisposition(file);
    part.setHeader(QNetworkRequest::ContentDispositionHeader, disposition);
    part.setHeader(QNetworkRequest::ContentTypeHeader, kPartContentType);
    qDebug("%s", disposition.constData());

    QFile body(file);
    if (!body.open(QIODevice::ReadOnly)) {
        qDebug("file open fail");
        lastOutcome = FileUnreadable;
        return QByteArray();
    }
    auto *multiPart = new QHttpMultiPart(QHttpMultiPart::FormDataType); // deleted below
    multiPart->setBoundary(kBoundary);
    part.setBodyDevice(&body);
    multiPart->append(part);

    QNetworkReply *reply = manager->post(request, multiPart);
    // The access manager reads on a thread of its own; without a bound it would queue a
    // fast endless answer faster than this thread can see it grow.
    reply->setReadBufferSize(2 * kAnswerLimit);
    runLoop(reply);
    // A cancelled transfer is aborted before its answer is read, so that a partial answer
    // is never taken for the device's and the log names the cancel as an error.
    if (!reply->isFinished())
        stop(reply, Cancelled);
    finishOutcome(reply);

    QByteArray answer = reply->read(kAnswerLimit + 1);
    if (answer.size() > kAnswerLimit) {
        lastOutcome = AnswerTooLarge;
        answer.clear();
    }
    logResult(reply, answer);
    delete reply;
    delete multiPart;
    body.close();
    return answer;
}

// The loop is published under loopLock so that cancel() either finds no loop (and the
// flag stops the next one from running) or posts its quit to a loop that will process it.
void JXHttpUtils::runLoop(QNetworkReply *reply)
{
    QEventLoop finished;
    QTimer stall;
    QTimer look;
    watch(reply, &stall, &look, reply->url());
    connect(reply, &QNetworkReply::finished, &finished, &QEventLoop::quit);
    {
        std::lock_guard<std::mutex> locker(loopLock);
        loop = &finished;
    }
    if (!cancelled.load() && !reply->isFinished())
        finished.exec();
    // The watchers hold the stall timer, which ends with this function.
    disconnect(reply, nullptr, this, nullptr);
    std::lock_guard<std::mutex> locker(loopLock);
    loop = nullptr;
}

// The stall timer restarts only when request bytes go out or are acknowledged: once the
// last one has been taken, the whole answer must come within one stall limit, so that an
// answer trickled a byte at a time or an endless header cannot hold the upload.
//
// The access manager counts a byte as sent once the system has buffered it, which may be
// megabytes ahead of a slow device; progress is what the device acknowledged instead,
// looked at every kAcknowledgedLookMs.
void JXHttpUtils::watch(QNetworkReply *reply, QTimer *stall, QTimer *look, const QUrl &target)
{
    stall->setSingleShot(true);
    connect(stall, &QTimer::timeout, this, [this, reply]() { stop(reply, Stalled); });
    stall->start(stallMs);
    auto counts = std::make_shared<UploadCounts>();
    const QByteArray host = target.host().toLatin1();
    const auto port = static_cast<unsigned short>(target.port(kHttpPort));
    auto report = [this, stall, counts, host, port](bool answered) {
        const long long queued = answered ? 0 : JXSocketLayer::unacknowledgedBytes(host, port);
        const qint64 taken = std::max<qint64>(0, counts->sent - std::max(0LL, queued));
        if (counts->total <= 0 || taken <= counts->taken)
            return;
        counts->taken = taken;
        stall->start(stallMs);
        emit uploadProgress(taken, counts->total);
    };
    // Reports without a total (the access manager sends 0 of 0 when it finishes) would
    // only make a progress bar jump back.
    connect(reply, &QNetworkReply::uploadProgress, this,
            [this, stall, counts](qint64 sent, qint64 total) {
                if (sent > counts->sent) {
                    counts->sent = sent;
                    stall->start(stallMs);
                }
                if (total > 0)
                    counts->total = total;
            });
    connect(look, &QTimer::timeout, this, [report]() { report(false); });
    look->start(kAcknowledgedLookMs);
    // An answer means the device has taken the whole request.
    connect(reply, &QNetworkReply::finished, this, [report, reply]() {
        if (reply->error() == QNetworkReply::NoError)
            report(true);
    });
    connect(reply, &QNetworkReply::metaDataChanged, this, [this, reply]() {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > kAnswerLimit)
            stop(reply, AnswerTooLarge);
    });
    connect(reply, &QNetworkReply::readyRead, this, [this, reply]() {
        if (reply->bytesAvailable() > kAnswerLimit)
            stop(reply, AnswerTooLarge);
    });
}

void JXHttpUtils::stop(QNetworkReply *reply, Outcome why)
{
    if (!stopped) {
        stopped = true;
        lastOutcome = why;
    }
    if (!reply->isFinished())
        reply->abort();
}

void JXHttpUtils::finishOutcome(QNetworkReply *reply)
{
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    lastStatus = status.isValid() ? status.toInt() : 0;
    if (stopped)
        return;
    if (lastStatus != 0 && (lastStatus < 200 || lastStatus > 299))
        lastOutcome = HttpError;
    else if (reply->error() != QNetworkReply::NoError || lastStatus == 0)
        lastOutcome = Failed;
    else
        lastOutcome = Answered;
}

void JXHttpUtils::cancel()
{
    cancelled.store(true);
    std::lock_guard<std::mutex> locker(loopLock);
    if (loop)
        QMetaObject::invokeMethod(loop, &QEventLoop::quit, Qt::QueuedConnection);
}

void JXHttpUtils::logResult(QNetworkReply *reply, const QByteArray &body) const
{
    qDebug("response -> %s", logText(body).constData());
    if (lastStatus != 0)
        qDebug("http status %d", lastStatus);
    if (reply->error() != QNetworkReply::NoError)
        qDebug("upload error -> %s", qUtf8Printable(errorName(reply->error())));
    else if (lastOutcome == Answered)
        qDebug("upload success");
}
