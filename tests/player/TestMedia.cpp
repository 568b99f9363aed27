#include "TestMedia.h"

#include <QFile>
#include <QHash>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <mutex>

#include <stdexcept>

namespace {
const QStringList kSmallH264 = {"-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p"};

QStringList testsrc(const QString &size, double seconds, const QString &source = "testsrc")
{
    return {"-f", "lavfi", "-i",
            QString("%1=size=%2:rate=16:duration=%3").arg(source, size).arg(seconds)};
}

QStringList tone(double seconds)
{
    return {"-f", "lavfi", "-i",
            QString("sine=frequency=1000:sample_rate=48000:duration=%1").arg(seconds)};
}

// Frames from 16 on are shifted so that the step from frame 15 to 16 is step/16 seconds.
QStringList jump(int step)
{
    return testsrc("160x120", 3) + kSmallH264 +
           QStringList{"-bf",
                       "0",
                       "-vf",
                       QString("setpts='(N+if(gte(N\\,16)\\,%1\\,0))/(16*TB)'").arg(step - 1),
                       "-fps_mode",
                       "passthrough",
                       "-video_track_timescale",
                       "16384"};
}

QStringList recipe(const QString &name)
{
    if (name == "av.mp4")
        return testsrc("160x120", 2) + tone(2) +
               QStringList{"-c:v",     "libx264", "-preset", "veryfast", "-g",  "8",
                           "-pix_fmt", "yuv420p", "-c:a",    "aac",      "-ac", "1"};
    if (name == "gop.mp4")
        return testsrc("160x120", 4) + kSmallH264 +
               QStringList{"-g", "8", "-keyint_min", "8", "-sc_threshold", "0", "-bf", "0"};
    if (name == "long.mp4")
        return testsrc("160x120", 15) + kSmallH264 + QStringList{"-g", "16", "-bf", "0"};
    if (name == "two_video.mp4")
        return testsrc("160x120", 1) + testsrc("320x240", 1, "testsrc2") +
               QStringList{"-map",    "0",         "-map",     "1",       "-c:v:0", "libx264",
                           "-preset", "ultrafast", "-pix_fmt", "yuv420p", "-c:v:1", "mpeg4"};
    if (name == "audio.m4a")
        return tone(2) + QStringList{"-c:a", "aac"};
    if (name == "noduration.h264")
        return testsrc("160x120", 1) + kSmallH264 + QStringList{"-f", "h264"};
    if (name == "jump15.mp4")
        return jump(24);
    if (name == "jump10.mp4")
        return jump(16);
    if (name == "intra_h264.mp4")
        return testsrc("160x120", 2) + kSmallH264 + QStringList{"-g", "1"};
    if (name == "intra_mpeg4.mp4")
        return testsrc("320x240", 2, "testsrc2") + QStringList{"-c:v", "mpeg4", "-g", "1"};
    throw std::invalid_argument(name.toStdString());
}

QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(120000);
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        throw std::runtime_error(
            (program + " failed: " + process.readAllStandardError()).toStdString());
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}
} // namespace

QString TestMedia::path(const QString &name)
{
    static QTemporaryDir dir;
    static std::mutex lock;
    std::lock_guard<std::mutex> guard(lock);
    const QString file = dir.filePath(name);
    if (!QFile::exists(file))
        run("ffmpeg", QStringList{"-v", "error", "-y"} + recipe(name) + QStringList{file});
    return file;
}

QString TestMedia::probe(const QStringList &arguments)
{
    return run("ffprobe", QStringList{"-v", "error"} + arguments);
}

int TestMedia::countOf(const QString &file, const QString &kind, bool decoded)
{
    const QString entry = decoded ? "stream=nb_read_frames" : "stream=nb_read_packets";
    return probe({decoded ? "-count_frames" : "-count_packets", "-select_streams", kind + ":0",
                  "-show_entries", entry, "-of", "csv=p=0", file})
        .toInt();
}
