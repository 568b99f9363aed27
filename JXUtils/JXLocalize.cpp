#include "JXUtils/JXLocalize.h"

#include "JXUtils/JXLanguageFile.h"
#include "JXUtils/JXRegularFile.h"

#include <QBuffer>
#include <QList>
#include <QMap>

namespace {
// Process-wide localization state; GUI thread only.
struct LocalizeState
{
    QString languageDir;
    QString fileName;
    QMap<QString, QString> dictionary;
    QList<JXLocalize *> observers; // not owned; registration order
    // Observers still to be told by each changeLanguage() under way (an observer may switch
    // the language again); the lists live on those calls' stacks.
    QList<QList<JXLocalize *> *> pending;
};

LocalizeState &state()
{
    static LocalizeState instance;
    return instance;
}

QString languagePath(const QString &fileName)
{
    const QString &dir = state().languageDir;
    if (dir.endsWith(QLatin1Char('/')))
        return dir + fileName;
    return dir + QLatin1Char('/') + fileName;
}

void load(const QString &name)
{
    LocalizeState &s = state();
    s.dictionary.clear();
    s.fileName = JXLocalize::fileNameFor(name);
    const QString path = languagePath(s.fileName);
    QByteArray bytes;
    if (!JXRegularFile::read(path, JXLocalize::kMaxFileBytes, bytes)) {
        if (JXRegularFile::check(path, JXLocalize::kMaxFileBytes) != JXRegularFile::Absent)
            qDebug("language file %s skipped: not a regular file of at most %lld bytes",
                   qPrintable(path), static_cast<long long>(JXLocalize::kMaxFileBytes));
        return;
    }
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    s.dictionary = JXLanguageFile::read(buffer);
}
} // namespace

QString translate(const QString &text)
{
    const QMap<QString, QString> &dictionary = state().dictionary;
    const auto found = dictionary.constFind(text.toLower());
    return found == dictionary.constEnd() ? text : found.value();
}

JXLocalize::JXLocalize()
{
    QList<JXLocalize *> &observers = state().observers;
    observers.removeAll(this);
    observers.append(this);
}

JXLocalize::~JXLocalize()
{
    LocalizeState &s = state();
    s.observers.removeAll(this);
    for (QList<JXLocalize *> *toldLater : qAsConst(s.pending))
        toldLater->removeAll(this);
}

void JXLocalize::setLanguageDir(const QString &dir)
{
    state().languageDir = dir;
}

QString JXLocalize::languageDir()
{
    return state().languageDir;
}

void JXLocalize::install(const QString &name)
{
    load(name);
}

void JXLocalize::changeLanguage(const QString &name)
{
    load(name);
    // Observers destroyed while earlier ones relabel themselves leave this list in their
    // destructor, so a new observer that reuses their address is not told by mistake.
    QList<JXLocalize *> toldLater = state().observers;
    state().pending.append(&toldLater);
    while (!toldLater.isEmpty())
        toldLater.takeFirst()->languageChanged();
    state().pending.removeOne(&toldLater);
}

QString JXLocalize::currentLanguage()
{
    return state().fileName;
}

QString JXLocalize::fileNameFor(const QString &name)
{
    if (name.endsWith(QLatin1String(".txt")))
        return name;
    return name + QLatin1String(".txt");
}
