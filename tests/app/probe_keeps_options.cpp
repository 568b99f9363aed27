// Starts as lankit's main() does: the OpenGL probe first, then the real application object
// from the same argc/argv. Run with "-platform offscreen" and no display: the real object
// must still get the option. Exit 0 when it did, 1 when it did not.
#include "app/Startup.h"

#include <QApplication>
#include <QGuiApplication>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

int main(int argc, char *argv[])
{
    const std::vector<std::string> given(argv, argv + argc);
    Startup::probeOpenGL(argc, argv);
    for (int i = 0; i < argc; ++i) {
        if (!argv[i] || given[i] != argv[i]) {
            std::fprintf(stderr, "argument %d changed by the probe\n", i);
            return 1;
        }
    }
    QApplication app(argc, argv);
    const QString platform = QGuiApplication::platformName();
    if (platform != QLatin1String("offscreen")) {
        std::fprintf(stderr, "platform %s, expected offscreen\n", qPrintable(platform));
        return 1;
    }
    std::printf("platform offscreen, %d arguments left\n", argc);
    return argc == 1 ? 0 : 1;
}
