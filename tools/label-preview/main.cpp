// label-preview: draws the labels of a spool file or captured print job as PNG files.
//   label-preview [-o PREFIX] [--notes FILE] JOB
// Writes PREFIX-1.png, PREFIX-2.png, ... (one per print command, at the label's dot size;
// PREFIX defaults to JOB without its extension) and prints their paths. Commands that are
// not drawn are listed on standard error and, with --notes, in FILE.
#include "LabelInterpreter.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace {

// Far beyond any real job (a label's graphics are a few megabytes at most).
constexpr qint64 kLargestJob = 256LL * 1024 * 1024;
const char kUsage[] = "usage: label-preview [-o PREFIX] [--notes FILE] JOB\n";

int usage()
{
    std::fputs(kUsage, stderr);
    return 2;
}

int help()
{
    std::fputs(kUsage, stdout);
    std::fputs("Draws each label of a spool file or captured print job as PREFIX-1.png,\n"
               "PREFIX-2.png, ... (PREFIX defaults to JOB without its extension).\n"
               "\n"
               "  -o PREFIX     names of the PNG files\n"
               "  --notes FILE  also write the commands that were not drawn to FILE\n"
               "  --help        show this text and exit\n"
               "  --version     show the version and exit\n"
               "\n"
               "Exit status: 0 a label was written, 1 read or write error, 2 usage,\n"
               "3 the job prints no label.\n",
               stdout);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QString prefix;
    QString notesPath;
    QString jobPath;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == "--help" || arg == "-h")
            return help();
        if (arg == "--version") {
            std::printf("label-preview %s\n", LANKIT_VERSION);
            return 0;
        }
        if ((arg == "-o" || arg == "--notes") && i + 1 < argc)
            (arg == "-o" ? prefix : notesPath) = QString::fromLocal8Bit(argv[++i]);
        else if (jobPath.isEmpty() && !arg.startsWith('-'))
            jobPath = arg;
        else
            return usage();
    }
    if (jobPath.isEmpty())
        return usage();
    QFile job(jobPath);
    if (!job.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "label-preview: cannot read %s\n", qPrintable(jobPath));
        return 1;
    }
    if (job.size() > kLargestJob) {
        std::fprintf(stderr, "label-preview: %s is larger than %lld bytes\n", qPrintable(jobPath),
                     static_cast<long long>(kLargestJob));
        return 1;
    }
    if (prefix.isEmpty()) {
        const QFileInfo info(jobPath);
        prefix = info.path() + '/' + info.completeBaseName();
    }

    // Opened first so that a notes file that cannot be written fails before any work.
    QFile notes(notesPath);
    if (!notesPath.isEmpty() && !notes.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "label-preview: cannot write %s\n", qPrintable(notesPath));
        return 1;
    }

    // Each label is written as soon as it is drawn and then freed.
    LabelInterpreter interpreter;
    int index = 0;
    bool writeFailed = false;
    interpreter.setLabelSink([&](PrintedLabel &&label) {
        const QString path = QString("%1-%2.png").arg(prefix).arg(++index);
        if (!label.canvas.savePng(path)) {
            std::fprintf(stderr, "label-preview: cannot write %s\n", qPrintable(path));
            writeFailed = true;
            return false;
        }
        std::printf("%s %dx%d copies %lld\n", qPrintable(path), label.canvas.width(),
                    label.canvas.height(), label.copies);
        return true;
    });
    interpreter.run(job.readAll());
    for (const QString &note : interpreter.notes())
        std::fprintf(stderr, "label-preview: %s\n", qPrintable(note));
    if (notes.isOpen()) {
        const QByteArray text = (interpreter.notes().join('\n') + '\n').toUtf8();
        if (notes.write(text) != text.size() || !notes.flush()) {
            std::fprintf(stderr, "label-preview: cannot write %s\n", qPrintable(notesPath));
            return 1;
        }
        notes.close();
    }
    if (writeFailed)
        return 1;
    if (index == 0) {
        std::fprintf(stderr, "label-preview: the job prints no label\n");
        return 3;
    }
    return 0;
}
