// Firmware upload cases that need no device: the multipart constants, the checks made
// before anything is sent, and answers of a loopback server. Uploads to simulated devices
// run in VeltoNetnsTest; hostile servers in hostile_firmware_test.py.
#include "JXUtils/JXHttpUtils.h"
#include "Velto/VeltoSDK.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>

namespace {
VeltoDevice device(const char *ip, const char *port)
{
    VeltoDevice record;
    record.setIp(QString::fromLatin1(ip));
    if (port)
        record.setValue(QStringLiteral("httpport"), QString::fromLatin1(port));
    return record;
}

QString writeFile(const QTemporaryDir &dir, const char *name, const QByteArray &bytes)
{
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile out(path);
    if (out.open(QIODevice::WriteOnly))
        out.write(bytes);
    return path;
}

// A one-connection HTTP server on 127.0.0.1: reads the whole request, sends answer and
// closes. connections() tells whether anything connected at all.
class LoopbackServer
{
public:
    explicit LoopbackServer(std::string answer) : answer(std::move(answer))
    {
        listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address);
        listen(listener, 4);
        socklen_t size = sizeof address;
        getsockname(listener, reinterpret_cast<sockaddr *>(&address), &size);
        port = ntohs(address.sin_port);
        worker = std::thread([this] { serve(); });
    }
    ~LoopbackServer()
    {
        shutdown(listener, SHUT_RDWR);
        worker.join();
        close(listener);
    }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1/update.cgi").arg(port); }
    int connections() const { return accepted.load(); }

private:
    void serve()
    {
        const int connection = accept(listener, nullptr, nullptr);
        if (connection < 0)
            return;
        ++accepted;
        std::string request;
        char buffer[65536];
        timeval limit{5, 0};
        setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        while (!complete(request)) {
            const ssize_t got = recv(connection, buffer, sizeof buffer, 0);
            if (got <= 0)
                break;
            request.append(buffer, static_cast<size_t>(got));
        }
        send(connection, answer.data(), answer.size(), MSG_NOSIGNAL);
        close(connection);
    }
    static bool complete(const std::string &request)
    {
        const size_t head = request.find("\r\n\r\n");
        const size_t field = request.find("Content-Length: ");
        if (head == std::string::npos || field == std::string::npos)
            return false;
        return request.size() - head - 4 >= std::stoul(request.substr(field + 16));
    }

    std::string answer;
    int listener = -1;
    int port = 0;
    std::atomic<int> accepted{0}; // written by the server thread
    std::thread worker;           // owned; joined in the destructor
};

std::string httpAnswer(const char *status, const std::string &body)
{
    return std::string("HTTP/1.1 ") + status + "\r\nContent-Type: application/json\r\n" +
           "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" +
           body;
}
} // namespace

TEST(VeltoFirmware, MultipartConstants)
{
    EXPECT_EQ(JXHttpUtils::contentType(),
              QByteArray("multipart/form-data; boundary=window-lankit-upload"));
    EXPECT_EQ(JXHttpUtils::contentDisposition(QStringLiteral("/srv/fw/IPC V2.1.bin")),
              QByteArray("form-data; name=\"file\"; filename=\"IPC V2.1.bin\""));
    EXPECT_EQ(JXHttpUtils::contentDisposition(QStringLiteral("fw.bin")),
              QByteArray("form-data; name=\"file\"; filename=\"fw.bin\""));
}

TEST(VeltoFirmware, ResultIsAnIntegerInRangeOrABadAnswer)
{
    const int bad = VeltoFirmwareUpload::kBadAnswer;
    const struct
    {
        const char *json;
        int expected;
    } cases[] = {{R"({"Result":0})", 0},
                 {R"({"Result":5})", 5},
                 {R"({"Result":-1})", -1},
                 {R"({"Result":"-1"})", -1},
                 {R"({"Result":" 7 "})", 7},
                 {R"({"Result":"0"})", 0},
                 {R"({})", 0}, // some devices answer an empty object on success
                 {R"({"Result":1.5})", bad},
                 {R"({"Result":4294967296})", bad},
                 {R"({"Result":-2147483649})", bad},
                 {R"({"Result":2147483647})", 2147483647},
                 {R"({"Result":"1.5"})", bad},
                 {R"({"Result":"ok"})", bad},
                 {R"({"Result":""})", bad},
                 {R"({"Result":"99999999999"})", bad},
                 {R"({"Result":true})", bad},
                 {R"({"Result":null})", bad},
                 {R"({"Result":[0]})", bad},
                 {R"({"result":0})", 0}};
    for (const auto &c : cases) {
        const QJsonObject answer = QJsonDocument::fromJson(c.json).object();
        EXPECT_EQ(VeltoFirmwareUpload::result(answer), c.expected) << c.json;
    }
}

TEST(VeltoFirmware, UploadUrlOnlyFromAPlainUnicastAddressAndAPortInRange)
{
    const struct
    {
        const char *ip;
        const char *port;
        const char *url;
    } cases[] = {{"192.168.1.20", "8080", "http://192.168.1.20:8080/update.cgi"},
                 {"10.77.0.2", "1", "http://10.77.0.2:1/update.cgi"},
                 {"10.77.0.2", "65535", "http://10.77.0.2:65535/update.cgi"},
                 {"10.78.0.2:8099/steal?", "80", ""},
                 {"10.77.0.2", "8099/steal?", ""},
                 {"127.0.0.1", "80", ""},
                 {"127.1.2.3", "80", ""},
                 {"0.0.0.0", "80", ""},
                 {"224.0.0.1", "80", ""},
                 {"239.255.255.250", "80", ""},
                 {"255.255.255.255", "80", ""},
                 {"10.77.0.256", "80", ""},
                 {"010.77.0.2", "80", ""},
                 {"10.77.0", "80", ""},
                 {"camera.local", "80", ""},
                 {"user@10.77.0.2", "80", ""},
                 {" 10.77.0.2", "80", ""},
                 {"", "80", ""},
                 {"10.77.0.2", nullptr, ""},
                 {"10.77.0.2", "0", ""},
                 {"10.77.0.2", "65536", ""},
                 {"10.77.0.2", "-80", ""},
                 {"10.77.0.2", "80.5", ""},
                 {"10.77.0.2", "", ""}};
    for (const auto &c : cases) {
        EXPECT_EQ(VeltoFirmwareUpload::url(device(c.ip, c.port)), QString::fromLatin1(c.url))
            << c.ip << " " << (c.port ? c.port : "(none)");
    }
    VeltoSDK::createInstance();
    EXPECT_EQ(VeltoSDK::instance()->setDeviceFirmware(device("127.0.0.1", "80"), "x"),
              VeltoFirmwareUpload::kBadAddress);
    VeltoSDK::destroyInstance();
}

TEST(VeltoFirmware, UnreadableFileSendsNothing)
{
    LoopbackServer server(httpAnswer("200 OK", R"({"Result":0})"));
    QTemporaryDir dir;
    JXHttpUtils http;
    EXPECT_TRUE(http.upload(server.url(), dir.filePath(QStringLiteral("none.bin"))).isEmpty());
    EXPECT_EQ(http.outcome(), JXHttpUtils::FileUnreadable);
    QThread::msleep(200);
    EXPECT_EQ(server.connections(), 0);
}

// A FIFO would block the open, /dev/zero would never end and a directory cannot be sent.
TEST(VeltoFirmware, OnlyRegularFilesAreSent)
{
    LoopbackServer server(httpAnswer("200 OK", R"({"Result":0})"));
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("fifo.bin"));
    ASSERT_EQ(mkfifo(qPrintable(fifo), 0600), 0);
    const QString link = dir.filePath(QStringLiteral("zero.bin"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), link));
    for (const QString &path : {fifo, QStringLiteral("/dev/zero"), link, dir.path()}) {
        QElapsedTimer timer;
        timer.start();
        JXHttpUtils http;
        EXPECT_TRUE(http.upload(server.url(), path).isEmpty());
        EXPECT_EQ(http.outcome(), JXHttpUtils::NotRegularFile) << path.toStdString();
        EXPECT_LT(timer.elapsed(), 1000);
    }
    QThread::msleep(200);
    EXPECT_EQ(server.connections(), 0);
}

TEST(VeltoFirmware, CancelBeforeTheUploadHoldsForIt)
{
    LoopbackServer server(httpAnswer("200 OK", R"({"Result":0})"));
    QTemporaryDir dir;
    const QString file = writeFile(dir, "fw.bin", QByteArray(1024, 'f'));
    JXHttpUtils http;
    http.cancel();
    EXPECT_TRUE(http.upload(server.url(), file).isEmpty());
    EXPECT_EQ(http.outcome(), JXHttpUtils::Cancelled);
    QThread::msleep(200);
    EXPECT_EQ(server.connections(), 0);
}

TEST(VeltoFirmware, HttpErrorStatusFailsWhateverTheBody)
{
    QTemporaryDir dir;
    const QString file = writeFile(dir, "fw.bin", QByteArray(100 * 1024, 'f'));
    const struct
    {
        const char *status;
        int code;
    } cases[] = {{"500 Internal Server Error", 500}, {"404 Not Found", 404}, {"302 Found", 302}};
    for (const auto &c : cases) {
        LoopbackServer server(httpAnswer(c.status, R"({"Result":0})"));
        JXHttpUtils http;
        http.upload(server.url(), file);
        EXPECT_EQ(http.outcome(), JXHttpUtils::HttpError) << c.status;
        EXPECT_EQ(http.httpStatus(), c.code);
    }
    LoopbackServer server(httpAnswer("200 OK", R"({"Result":"-1"})"));
    JXHttpUtils http;
    const QByteArray answer = http.upload(server.url(), file);
    EXPECT_EQ(http.outcome(), JXHttpUtils::Answered);
    EXPECT_EQ(VeltoFirmwareUpload::result(QJsonDocument::fromJson(answer).object()), -1);
}

// The log shows a short prefix with control bytes escaped, never a peer's raw lines.
TEST(VeltoFirmware, LogTextIsShortAndPrintable)
{
    EXPECT_EQ(JXHttpUtils::logText("{\"Result\":0}"), QByteArray("{\"Result\":0}"));
    EXPECT_EQ(JXHttpUtils::logText("a\r\nb\x1b[31m\\"), QByteArray("a\\x0d\\x0ab\\x1b[31m\\x5c"));
    const QByteArray huge(1 << 20, 'x');
    const QByteArray text = JXHttpUtils::logText(huge);
    EXPECT_EQ(text, QByteArray(JXHttpUtils::kLogPrefix, 'x') + "... (1048576 bytes)");
}
