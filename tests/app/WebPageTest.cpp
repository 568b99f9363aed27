// Which device "ip" texts open a web page: a device reports any text, and the browser
// must get nothing but http://<a plain unicast IPv4 address>/.
#include "app/MainWindow.h"

#include <QUrl>
#include <gtest/gtest.h>

namespace {
TEST(WebPageTest, OnlyAPlainDottedUnicastAddressOpensItsPage)
{
    const struct
    {
        const char *ip;
        const char *url; // empty: nothing opens
    } cases[] = {
        {"10.77.0.11", "http://10.77.0.11/"},
        {"192.168.1.255", "http://192.168.1.255/"},
        {"1.0.0.0", "http://1.0.0.0/"},
        {"223.255.255.254", "http://223.255.255.254/"},
        {"10.0.0.1/evil", ""},
        {"10.0.0.1@evil.example", ""},
        {"10.0.0.1:8080", ""},
        {"javascript:x", ""},
        {"1.2.3.4.5", ""},
        {"1.2.3", ""},
        {"", ""},
        {" 10.0.0.1", ""},
        {"10.0.0.1\r\n", ""},
        {"10.0.0.256", ""},
        {"010.0.0.1", ""},
        {"0x0a.0.0.1", ""},
        {"+10.0.0.1", ""},
        {"evil.example", ""},
        {"0.0.0.0", ""},
        {"0.1.2.3", ""},
        {"127.0.0.1", ""},
        {"224.0.0.1", ""},
        {"239.255.255.250", ""},
        {"240.0.0.1", ""},
        {"255.255.255.255", ""},
        {"１0.0.0.1", ""},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(MainWindow::webPageUrl(QString::fromUtf8(c.ip)).toString(),
                  QString::fromLatin1(c.url))
            << c.ip;
    }
}
} // namespace
