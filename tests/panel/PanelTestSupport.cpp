#include "PanelTestSupport.h"

#include "JXUtils/JXLocalize.h"
#include "support/TestPaths.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTest>
#include <QTimer>
#include <QWidget>

namespace {
class ShowWatcher : public QObject
{
public:
    QStringList shown;

    bool eventFilter(QObject *object, QEvent *event) override
    {
        if (event->type() == QEvent::Show && object->inherits("QDialog"))
            shown << QString::fromLatin1(object->metaObject()->className());
        return false;
    }
};
// Polls from timers rather than from a nested wait: a dialog that opens another from inside
// its own exec() (a progress dialog telling a failure) would be stuck under such a wait.
void pollForModal(const char *className, std::function<void(QWidget &)> act, QElapsedTimer started)
{
    QTimer::singleShot(5, qApp, [className, act, started] {
        QWidget *dialog = QApplication::activeModalWidget();
        if (dialog != nullptr && dialog->inherits(className))
            act(*dialog);
        else if (started.elapsed() < 5000)
            pollForModal(className, act, started);
    });
}
} // namespace

namespace PanelTest {

QStringList dialogsShownDuring(const std::function<void()> &action)
{
    ShowWatcher watcher;
    qApp->installEventFilter(&watcher);
    action();
    QApplication::processEvents();
    qApp->removeEventFilter(&watcher);
    return watcher.shown;
}

VeltoDevice device(const QString &mac, const QString &ip, const QString &mode)
{
    VeltoDevice d;
    d.fromJson({{"mac", mac},
                {"ip", ip},
                {"IpMode", mode},
                {"name", "Hall camera"},
                {"netmask", "255.255.255.0"},
                {"gateway", "10.77.0.1"},
                {"dns1", "10.77.0.1"},
                {"dns2", ""},
                {"appVersion", "V2.1.7.240315"},
                {"srcid", QString(mac).remove(':')}});
    return d;
}

void whenModalShown(const char *className, std::function<void(QWidget &)> act)
{
    QElapsedTimer started;
    started.start();
    pollForModal(className, std::move(act), started);
}

void useLanguage(const char *name)
{
    JXLocalize::setLanguageDir(testSourceDir() + QStringLiteral("/language"));
    JXLocalize::changeLanguage(QString::fromLatin1(name));
}

bool childrenInside(const QWidget &widget)
{
    for (const QWidget *child :
         widget.findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!child->isHidden() && !widget.rect().contains(child->geometry()))
            return false;
    }
    return true;
}

} // namespace PanelTest
