#include "PanelTestSupport.h"

#include "JXUtils/JXLocalize.h"
#include "support/TestPaths.h"

#include <QApplication>
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
    QTimer::singleShot(0, qApp, [className, act] {
        QWidget *dialog = nullptr;
        (void)QTest::qWaitFor(
            [&] {
                dialog = QApplication::activeModalWidget();
                return dialog != nullptr && dialog->inherits(className);
            },
            5000);
        if (dialog != nullptr && dialog->inherits(className))
            act(*dialog);
    });
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
