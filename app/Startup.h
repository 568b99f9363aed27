#pragma once

#include <QString>

// Decisions taken by main() before and during start-up, kept apart so they can be tested.
class Startup
{
public:
    // Major OpenGL version of a throw-away context, or 0 when no context can be created.
    // Needs an application object to exist.
    static int probeOpenGLMajorVersion();
    // Runs probeOpenGLMajorVersion() under a throw-away application object made from a copy
    // of the command line: the toolkit strips the options it knows from the array it is
    // given, and the real application object must still see them (-platform, -style ...).
    static int probeOpenGL(int argc, char *argv[]);
    // Desktop OpenGL from version 4 on, software OpenGL below. Must run before the real
    // application object exists.
    static void applyOpenGLAttributes(int majorVersion);
    // "en.txt" when the configured language is "en" in any letter case, else "cn.txt".
    static QString languageFileFor(const QString &configuredLanguage);
};
