#include "SimHttpConnection.h"

#include "SimDevice.h"
#include "SimEvents.h"
#include "SimOptions.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTcpSocket>

namespace {
const QByteArray kHeaderEnd("\r\n\r\n");
const int kPaceMs = 50;
const int kPacedSocketBuffer = 64 * 1024; // keeps the kernel from taking the whole file
const int kMaxHeader = 16 * 1024;         // request line and header fields together
const int kHeaderTimeoutMs = 10000;

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 404:
        return "Not Found";
    case 408:
        return "Request Timeout";
    case 431:
        return "Request Header Fields Too Large";
    default:
        return "Error";
    }
}

QByteArray headerValue(const QByteArray &header, const QByteArray &name)
{
    const QList<QByteArray> lines = header.split('\n');
    for (const QByteArray &line : lines) {
        const int colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == name)
            return line.mid(colon + 1).trimmed();
    }
    return QByteArray();
}

QByteArray parameter(const QByteArray &value, const QByteArray &name)
{
    const QList<QByteArray> fields = value.split(';');
    for (const QByteArray &field : fields) {
        const QByteArray trimmed = field.trimmed();
        if (!trimmed.startsWith(name + '='))
            continue;
        QByteArray text = trimmed.mid(name.size() + 1);
        if (text.size() >= 2 && text.startsWith('"') && text.endsWith('"'))
            text = text.mid(1, text.size() - 2);
        return text;
    }
    return QByteArray();
}

bool isBareName(const QByteArray &name)
{
    return !name.isEmpty() && name != "." && name != ".." && !name.contains('/') &&
           !name.contains('\\');
}
} // namespace

SimHttpConnection::SimHttpConnection(QTcpSocket *socket, const SimOptions &options,
                                     SimDevice &device)
    : options(options), device(device), srcId(device.srcId()), socket(socket)
{
    socket->setParent(this);
    connect(socket, &QTcpSocket::disconnected, this, &SimHttpConnection::closed);
    headerTimer.setSingleShot(true);
    connect(&headerTimer, &QTimer::timeout, this, &SimHttpConnection::headerTimedOut);
    headerTimer.start(kHeaderTimeoutMs);
    if (options.uploadRate > 0) {
        const qint64 slice = qMax<qint64>(1, options.uploadRate * kPaceMs / 1000);
        socket->setReadBufferSize(slice);
        socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, kPacedSocketBuffer);
        connect(&pace, &QTimer::timeout, this, &SimHttpConnection::readSome);
        pace.start(kPaceMs);
    } else {
        connect(socket, &QTcpSocket::readyRead, this, &SimHttpConnection::readSome);
    }
}

void SimHttpConnection::readSome()
{
    if (status != 0)
        return;
    QByteArray data = socket->readAll();
    if (contentLength < 0) {
        header += data;
        if (!parseHeader()) {
            if (header.size() > kMaxHeader)
                respond(431, "text/plain", "header too large\n");
            return;
        }
        headerTimer.stop();
        data = header.mid(header.indexOf(kHeaderEnd) + kHeaderEnd.size());
        header.truncate(header.indexOf(kHeaderEnd));
    }
    body += data;
    if (body.size() >= contentLength)
        handleRequest();
}

bool SimHttpConnection::parseHeader()
{
    const int end = header.indexOf(kHeaderEnd);
    if (end < 0 || end > kMaxHeader)
        return false;
    requestLine = header.left(header.indexOf("\r\n"));
    contentType = headerValue(header, "content-type");
    bool ok = false;
    contentLength = headerValue(header, "content-length").toLongLong(&ok);
    if (!ok)
        contentLength = 0;
    return true;
}

void SimHttpConnection::headerTimedOut()
{
    if (status == 0)
        respond(408, "text/plain", "request timeout\n");
}

void SimHttpConnection::handleRequest()
{
    if (requestLine.startsWith("GET / ")) {
        SimEvents::print("page", {{QStringLiteral("srcid"), srcId}});
        respond(200, "text/html; charset=utf-8", device.statusPage());
        return;
    }
    if (!requestLine.startsWith("POST /update.cgi ")) {
        respond(404, "text/plain", "not found\n");
        return;
    }
    QByteArray disposition, fileName, partType, content;
    if (!parseMultipart(contentType, body.left(contentLength), disposition, fileName, partType,
                        content) ||
        !isBareName(fileName)) {
        SimEvents::print("upload-rejected",
                         {{QStringLiteral("srcid"), srcId},
                          {QStringLiteral("disposition"), QString::fromUtf8(disposition)}});
        respond(200, "application/json", "{\"Result\":-1}");
        return;
    }
    storeUpload(disposition, fileName, partType, content);
    device.firmwareStored();
    if (options.answerNotJson)
        respond(200, "text/html", "<html><body>upgrade started</body></html>");
    else
        respond(200, "application/json",
                QByteArray("{\"Result\":") + QByteArray::number(options.uploadResult) + "}");
}

void SimHttpConnection::storeUpload(const QByteArray &disposition, const QByteArray &fileName,
                                    const QByteArray &partType, const QByteArray &content)
{
    QDir dir(options.uploadDir);
    dir.mkpath(srcId);
    const QString path =
        dir.absoluteFilePath(srcId + QLatin1Char('/') + QString::fromUtf8(fileName));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
    if (options.keepRequests) {
        QFile raw(path + QStringLiteral(".request"));
        if (raw.open(QIODevice::WriteOnly))
            raw.write(header + kHeaderEnd + body);
    }
    SimEvents::print("upload", {{QStringLiteral("srcid"), srcId},
                                {QStringLiteral("file"), QString::fromUtf8(fileName)},
                                {QStringLiteral("bytes"), content.size()},
                                {QStringLiteral("path"), path},
                                {QStringLiteral("contentType"), QString::fromUtf8(contentType)},
                                {QStringLiteral("partType"), QString::fromUtf8(partType)},
                                {QStringLiteral("disposition"), QString::fromUtf8(disposition)}});
}

// A camera answers only after it has written the new firmware; the delay stands for that.
void SimHttpConnection::respond(int status, const QByteArray &contentType, const QByteArray &body)
{
    this->status = status;
    answerType = contentType;
    answerBody = body;
    pace.stop();
    QTimer::singleShot(options.answerDelayMs, this, &SimHttpConnection::sendAnswer);
}

void SimHttpConnection::sendAnswer()
{
    if (socket->state() != QAbstractSocket::ConnectedState)
        return;
    QByteArray response =
        "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status) + "\r\n";
    response += "Content-Type: " + answerType + "\r\n";
    response += "Content-Length: " + QByteArray::number(answerBody.size()) + "\r\n";
    response += "Connection: close\r\n\r\n" + answerBody;
    answered = true;
    socket->write(response);
    socket->disconnectFromHost();
}

void SimHttpConnection::closed()
{
    if (!answered) {
        SimEvents::print("upload-aborted", {{QStringLiteral("srcid"), srcId},
                                            {QStringLiteral("received"), body.size()},
                                            {QStringLiteral("expected"), contentLength}});
    }
    deleteLater();
}

bool SimHttpConnection::parseMultipart(const QByteArray &contentType, const QByteArray &body,
                                       QByteArray &disposition, QByteArray &fileName,
                                       QByteArray &partType, QByteArray &content)
{
    const QByteArray boundary = parameter(contentType, "boundary");
    if (boundary.isEmpty())
        return false;
    const QByteArray delimiter = "--" + boundary;
    int at = body.indexOf(delimiter);
    while (at >= 0) {
        const int headerStart = at + delimiter.size() + 2; // past the line break
        const int headerEnd = body.indexOf(kHeaderEnd, headerStart);
        const int next = body.indexOf("\r\n" + delimiter, headerStart);
        if (headerEnd < 0 || next < 0 || headerEnd > next)
            return false;
        const QByteArray partHeader = body.mid(headerStart, headerEnd - headerStart);
        const QByteArray partDisposition = headerValue(partHeader, "content-disposition");
        if (parameter(partDisposition, "name") == "file") {
            disposition = partDisposition;
            fileName = parameter(partDisposition, "filename");
            partType = headerValue(partHeader, "content-type");
            content = body.mid(headerEnd + kHeaderEnd.size(), next - headerEnd - kHeaderEnd.size());
            return true;
        }
        at = next + 2;
    }
    return false;
}
