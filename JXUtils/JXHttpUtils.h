#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <mutex>

#include <atomic>

class QEventLoop;
class QNetworkAccessManager;
class QNetworkReply;

// One blocking firmware upload: posts a file as a multipart form and returns the answer.
// The object, its access manager and its event loop live on the uploading thread; only
// cancel() may be called from another thread.
class JXHttpUtils : public QObject
{
    Q_OBJECT

public:
    JXHttpUtils();
    ~JXHttpUtils() override;

    // Posts file as the form field "file" to url and returns the response body: empty when
    // the file cannot be opened, the request fails or the upload is cancelled.
    QByteArray upload(const QString &url, const QString &file);
    // Ends the upload in progress (or the next one this object starts) as if the answer
    // had come; the unfinished request is aborted. Safe from any thread.
    void cancel();

    // Multipart constants of the device's update.cgi.
    static const char kBoundary[];
    static QByteArray contentType();
    // The part's Content-Disposition for the file at path (its bare file name only).
    static QByteArray contentDisposition(const QString &path);

signals:
    // Bytes of the request body sent so far and in all (total > 0), as the access manager
    // reports them; emitted on the uploading thread.
    void uploadProgress(qint64 sent, qint64 total);

private:
    void runLoop(QNetworkReply *reply);
    static void logResult(QNetworkReply *reply, const QByteArray &body);

    QNetworkAccessManager *manager;     // owned; used on the uploading thread only
    std::mutex loopLock;                // guards loop between upload() and cancel()
    QEventLoop *loop = nullptr;         // the running upload's loop (on upload()'s stack) or null
    std::atomic<bool> cancelled{false}; // set by cancel() on any thread; read by upload()
};
