#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <mutex>

#include <atomic>

class QEventLoop;
class QNetworkAccessManager;
class QNetworkReply;
class QTimer;
class QUrl;

// One blocking firmware upload: posts a file as a multipart form and returns the answer.
// The object, its access manager and its event loop live on the uploading thread; only
// cancel() may be called from another thread.
class JXHttpUtils : public QObject
{
    Q_OBJECT

public:
    // How the last upload ended.
    enum Outcome
    {
        Answered,       // the device answered with a 2xx status; the body is its answer
        FileUnreadable, // the file could not be opened; nothing was sent
        NotRegularFile, // a directory, FIFO, device...; nothing was sent
        HttpError,      // the device answered with a status outside 2xx
        AnswerTooLarge, // the answer grew past kAnswerLimit
        Stalled,        // no request byte went out for the stall limit
        Cancelled,      // cancel() ended it
        Failed          // refused, unreachable, reset
    };

    // A device answers a few hundred bytes; anything past this is not its answer.
    static constexpr qint64 kAnswerLimit = 64 * 1024;
    // Bytes of an answer shown in the log.
    static constexpr int kLogPrefix = 200;
    // How long an upload may go without a request byte going out, and how long the whole
    // answer may take after the last one went.
    static constexpr int kDefaultStallMs = 30000;

    JXHttpUtils();
    ~JXHttpUtils() override;

    // Posts file as the form field "file" to url and returns the response body: empty when
    // the file cannot be opened, the request fails or the upload is cancelled; at most
    // kAnswerLimit bytes.
    QByteArray upload(const QString &url, const QString &file);
    // Ends the upload in progress (or the next one this object starts) as if the answer
    // had come; the unfinished request is aborted. Safe from any thread.
    void cancel();
    // Stall limit of the next upload (kDefaultStallMs unless set); uploading thread only.
    void setStallLimit(int milliseconds);

    Outcome outcome() const { return lastOutcome; }
    // The answer's HTTP status, 0 when none came.
    int httpStatus() const { return lastStatus; }

    // Multipart constants of the device's update.cgi.
    static const char kBoundary[];
    static QByteArray contentType();
    // The part's Content-Disposition for the file at path (its bare file name only).
    static QByteArray contentDisposition(const QString &path);
    // At most kLogPrefix bytes of an answer with control and non-ASCII bytes as \xHH, so
    // that a peer cannot split or colour log lines.
    static QByteArray logText(const QByteArray &answer);

signals:
    // Bytes of the request body the device has acknowledged so far and in all (total > 0),
    // rising only; emitted on the uploading thread. Where the system cannot tell what was
    // acknowledged, the bytes handed to it.
    void uploadProgress(qint64 sent, qint64 total);

private:
    QByteArray post(const QString &url, const QString &file);
    void runLoop(QNetworkReply *reply);
    void watch(QNetworkReply *reply, QTimer *stall, QTimer *look, const QUrl &target);
    // Aborts reply and records why; the first reason wins.
    void stop(QNetworkReply *reply, Outcome why);
    void finishOutcome(QNetworkReply *reply);
    void logResult(QNetworkReply *reply, const QByteArray &body) const;

    QNetworkAccessManager *manager;     // owned; used on the uploading thread only
    std::mutex loopLock;                // guards loop between upload() and cancel()
    QEventLoop *loop = nullptr;         // the running upload's loop (on upload()'s stack) or null
    std::atomic<bool> cancelled{false}; // set by cancel() on any thread; read by upload()
    int stallMs = kDefaultStallMs;      // uploading thread only
    Outcome lastOutcome = Answered;     // uploading thread only
    bool stopped = false;               // lastOutcome set by stop(); uploading thread only
    int lastStatus = 0;                 // uploading thread only
};
