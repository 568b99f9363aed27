#include "app/Startup.h"

#include <QApplication>
#include <QCoreApplication>
#include <QOpenGLContext>
#include <QSurfaceFormat>

#include <string>
#include <vector>

int Startup::probeOpenGLMajorVersion()
{
    QOpenGLContext context;
    if (!context.create())
        return 0;
    const QSurfaceFormat format = context.format();
    return format.majorVersion();
}

int Startup::probeOpenGL(int argc, char *argv[])
{
    std::vector<std::string> words(argv, argv + argc);
    std::vector<char *> copy;
    for (std::string &word : words)
        copy.push_back(&word[0]);
    copy.push_back(nullptr);
    int copyCount = argc;
    QApplication probe(copyCount, copy.data());
    return probeOpenGLMajorVersion();
}

void Startup::applyOpenGLAttributes(int majorVersion)
{
    const bool desktop = majorVersion >= 4;
    QCoreApplication::setAttribute(Qt::AA_UseDesktopOpenGL, desktop);
    QCoreApplication::setAttribute(Qt::AA_UseSoftwareOpenGL, !desktop);
}

QString Startup::languageFileFor(const QString &configuredLanguage)
{
    if (configuredLanguage.compare(QLatin1String("en"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("en.txt");
    return QStringLiteral("cn.txt");
}
