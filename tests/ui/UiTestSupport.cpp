#include "UiTestSupport.h"

#include "JXUtils/JXLocalize.h"
#include "support/TestPaths.h"

#include <QApplication>
#include <QDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <memory>

namespace {
// How many 10 ms looks for a modal dialog before giving up.
const int kModalTries = 500;
} // namespace

namespace UiTest {

VeltoDevice device(const QString &mac, const QString &ip)
{
    VeltoDevice record;
    record.setMac(mac);
    record.setIp(ip);
    record.setValue(QStringLiteral("srcid"), QString(mac).remove(QLatin1Char(':')));
    return record;
}

QVector<VeltoDevice> devices(int n)
{
    QVector<VeltoDevice> list;
    for (int i = 1; i <= n; ++i)
        list.append(device(QStringLiteral("02:56:4C:00:00:%1").arg(i, 2, 10, QLatin1Char('0')),
                           QStringLiteral("10.77.0.%1").arg(10 + i)));
    return list;
}

QStringList macsOf(const QVector<VeltoDevice> &list)
{
    QStringList macs;
    for (const VeltoDevice &record : list)
        macs << record.mac();
    return macs;
}

void installLanguage(const QString &name)
{
    JXLocalize::setLanguageDir(QDir(testSourceDir()).filePath(QStringLiteral("language")));
    JXLocalize::install(name);
}

void whenModalShown(std::function<void(QWidget &)> act)
{
    // Looks from the event loop each time, never from inside show(): a dialog found while
    // it is still being shown has not laid out its children yet.
    auto *poll = new QTimer(qApp);
    auto tries = std::make_shared<int>(0);
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, qApp, [poll, tries, act] {
        QWidget *dialog = QApplication::activeModalWidget();
        const bool shown = dialog != nullptr && dialog->isVisible() &&
                           dialog->windowHandle() != nullptr && dialog->windowHandle()->isExposed();
        if (!shown && ++*tries < kModalTries)
            return;
        poll->stop();
        poll->deleteLater();
        if (shown)
            act(*dialog);
    });
    poll->start();
}

} // namespace UiTest
