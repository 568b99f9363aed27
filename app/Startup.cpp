#include "app/Startup.h"

#include <QCoreApplication>
#include <QOpenGLContext>
#include <QSurfaceFormat>

int Startup::probeOpenGLMajorVersion()
{
    QOpenGLContext context;
    if (!context.create())
        return 0;
    const QSurfaceFormat format = context.format();
    return format.majorVersion();
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
