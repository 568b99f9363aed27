// One station of a production line, as the register sees it: reserves count labels for the
// codes <code base><i>, "prints" each and records it printed. One line per label on
// standard output:
//   printed CODE SERIAL | unrecorded CODE SERIAL | before CODE STATION SERIAL | refused CODE
//   register-station ADDRESS STATION PREFIX COUNT CODE-BASE [PAUSE-MS]
#include "app/OmbrixSqlLabelRegister.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>

namespace {
void say(const QString &line)
{
    std::printf("%s\n", qUtf8Printable(line));
    std::fflush(stdout);
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 6)
        return 2;
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    OmbrixSqlLabelRegister reg(args[1], args[2]);
    const int count = args[4].toInt();
    const int pause = args.size() > 6 ? args[6].toInt() : 0;
    for (int i = 0; i < count; ++i) {
        OmbrixLabelRegister::Label label, earlier;
        label.code = args[5] + QString::number(i);
        label.model = QStringLiteral("KT4X-Q2");
        label.prefix = args[3];
        label.printer = QStringLiteral("OMBRIX_LINE");
        label.pitch = 0.85;
        const int reserved = reg.reserve(label, false, &earlier);
        if (reserved == OmbrixLabelRegister::kPrintedBefore) {
            say(QStringLiteral("before %1 %2 %3").arg(label.code, earlier.station, earlier.serial));
        } else if (reserved != OmbrixLabelRegister::kOk) {
            say(QStringLiteral("refused ") + label.code);
        } else {
            label.state = OmbrixLabelRegister::State::Printed;
            const bool recorded = reg.finish(label) == OmbrixLabelRegister::kOk;
            say(QStringLiteral("%1 %2 %3")
                    .arg(recorded ? QStringLiteral("printed") : QStringLiteral("unrecorded"),
                         label.code, label.serial));
        }
        if (pause > 0)
            QThread::msleep(pause);
    }
    return 0;
}
