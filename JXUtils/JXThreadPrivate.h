#pragma once

#include <QString>
#include <QThread>

class JXThread;

// The toolkit thread under a JXThread: its run() is the owner's run().
class JXThreadPrivate : public QThread
{
public:
    explicit JXThreadPrivate(JXThread *owner);

    void setName(const QString &name) { this->name = name; }
    const QString &threadName() const { return name; }

protected:
    void run() override;

private:
    JXThread *owner; // not owned; owns this object
    QString name;
};
