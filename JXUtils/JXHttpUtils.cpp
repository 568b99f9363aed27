#include "JXUtils/JXHttpUtils.h"

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
#include <QUrl>
#include <mutex>

// The device's update.cgi expects exactly this boundary and part layout.
const char JXHttpUtils::kBoundary[] = "window-lankit-upload";

namespace {
const char kPartContentType[] = "application/octet-stream";

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

QByteArray JXHttpUtils::upload(const QString &url, const QString &file)
{
    qDebug("upload %s to %s", qUtf8Printable(file), qUtf8Printable(url));
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
        return QByteArray();
    }
    auto *multiPart = new QHttpMultiPart(QHttpMultiPart::FormDataType); // deleted below
    multiPart->setBoundary(kBoundary);
    part.setBodyDevice(&body);
    multiPart->append(part);

    QNetworkReply *reply = manager->post(request, multiPart);
    // Reports without a total (the access manager sends 0 of 0 when it finishes) would
    // only make a progress bar jump back.
    connect(reply, &QNetworkReply::uploadProgress, this, [this](qint64 sent, qint64 total) {
        if (total > 0)
            emit uploadProgress(sent, total);
    });
    runLoop(reply);
    // A cancelled transfer is aborted before its answer is read, so that a partial answer
    // is never taken for the device's and the log names the cancel as an error.
    if (!reply->isFinished())
        reply->abort();

    const QByteArray answer = reply->readAll();
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
    connect(reply, &QNetworkReply::finished, &finished, &QEventLoop::quit);
    {
        std::lock_guard<std::mutex> locker(loopLock);
        loop = &finished;
    }
    if (!cancelled.load() && !reply->isFinished())
        finished.exec();
    std::lock_guard<std::mutex> locker(loopLock);
    loop = nullptr;
}

void JXHttpUtils::cancel()
{
    cancelled.store(true);
    std::lock_guard<std::mutex> locker(loopLock);
    if (loop)
        QMetaObject::invokeMethod(loop, &QEventLoop::quit, Qt::QueuedConnection);
}

void JXHttpUtils::logResult(QNetworkReply *reply, const QByteArray &body)
{
    qDebug("response -> %s", body.constData());
    if (reply->error() != QNetworkReply::NoError)
        qDebug("upload error -> %s", qUtf8Printable(errorName(reply->error())));
    else
        qDebug("upload success");
}
