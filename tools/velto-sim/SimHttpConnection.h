#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

class QTcpSocket;
class SimDevice;
struct SimOptions;

// One HTTP exchange with a camera's web server: reads the request (as slowly as the
// options say), stores an uploaded file or serves the status page, answers, and reports an
// upload whose client went away before the answer as aborted. A request header that is too
// long or too slow to arrive is answered with an error and the connection closed.
class SimHttpConnection : public QObject
{
    Q_OBJECT

public:
    // Takes ownership of socket; deletes itself when the connection ends.
    SimHttpConnection(QTcpSocket *socket, const SimOptions &options, SimDevice &device);

    // Finds the form field "file" of a multipart body; false when there is none.
    static bool parseMultipart(const QByteArray &contentType, const QByteArray &body,
                               QByteArray &disposition, QByteArray &fileName, QByteArray &partType,
                               QByteArray &content);

private:
    void readSome();
    bool parseHeader();
    void handleRequest();
    void storeUpload(const QByteArray &disposition, const QByteArray &fileName,
                     const QByteArray &partType, const QByteArray &content);
    void respond(int status, const QByteArray &contentType, const QByteArray &body);
    void sendAnswer();
    void closed();
    void headerTimedOut();

    const SimOptions &options;
    SimDevice &device; // owned by main(), outlives every connection; an upload changes it
    const QString srcId;
    QTcpSocket *socket; // owned (child)
    QTimer pace;        // reads a slice per tick when the read rate is limited
    QTimer headerTimer; // the whole request header must arrive before it fires
    QByteArray header;
    QByteArray requestLine;
    QByteArray contentType;
    QByteArray body;
    qint64 contentLength = -1; // -1 until the header is complete
    int status = 0;            // of the pending answer; 0 while the request is incomplete
    QByteArray answerType;
    QByteArray answerBody;
    bool answered = false;
};
