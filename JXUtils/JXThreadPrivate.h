#pragma once

#include <QString>
#include <QThread>

#include <atomic>

class JXThread;

// The toolkit thread under a JXThread: its run() is the owner's run().
class JXThreadPrivate : public QThread
{
public:
    explicit JXThreadPrivate(JXThread *owner);

    void setName(const QString &name) { this->name = name; }
    const QString &threadName() const { return name; }

    // Set by the body's thread as its last act. QThread's own join waits inside QtCore
    // where ThreadSanitizer cannot see it; reading this after the join makes everything
    // the body wrote visibly happen before the owner reads or frees it.
    std::atomic<bool> bodyEnded{false};

protected:
    void run() override;

private:
    JXThread *owner; // not owned; owns this object
    QString name;    // set by the controlling thread before start
};
