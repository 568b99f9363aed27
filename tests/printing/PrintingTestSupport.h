#pragma once

#include "CupsFixture.h"
#include "support/TestPaths.h"

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// Queues of the private scheduler every printing test shares.
extern const char kPlainQueue[];     // "OMBRIX_T1": raw, states no resolution (0.85)
extern const char kQueue203[];       // "OMBRIX_T203": raw, 203 dpi
extern const char kStoppedQueue[];   // "OMBRIX_STOPPED": disabled
extern const char kRejectingQueue[]; // "OMBRIX_REJECTING": not accepting jobs
extern const char kPpdQueue[];       // "OMBRIX_PPD300": a PPD stating 300 dpi
extern const char kOtherQueue[];     // "LABELS_OTHER": no "OMBRIX" in its name, the default

// One test of the program's printing: its own application folder (configuration, and
// libkorval.so linked beside the "program" unless a test removes it), its own working
// folder (the spool file), and the suite's private CUPS scheduler.
class PrintingTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Writes the printer name and the geometry (width, height, columns, paddings left,
    // top, right, bottom, padding) into the configuration.
    void configure(const QString &printer, double paddingLeft = 0, double paddingTop = 0);
    void removeLibrary();

    static std::vector<std::string> jobs(const char *queue);
    // Waits for count jobs; the scheduler delivers them 10 to 20 ms after acceptance.
    static bool waitForJobs(const char *queue, size_t count);

    static inline std::unique_ptr<CupsFixture> cups;
    ScopedAppDir app;
    QTemporaryDir work;
    QString previousDir;
};

// Expects the label geometry the dialog stores (45 x 45 mm, one column, padding 2) with
// these paddings left and top, and the right and bottom paddings configure() wrote.
void expectStoredGeometry(double left, double top);

// The commands of a job, each line without its CR LF; a PCX download is shown by its
// header, without the size and data.
std::vector<std::string> commandLines(const std::string &job);

// The download of the named graphic in a job (command and data), "" when it has none.
std::string graphicDownload(const std::string &job, const std::string &name);

// Each item of the label drawn alone by the label preview: the ink of the QR code and of
// each text graphic, in the order they are drawn.
std::vector<QRect> inkBoxes(const std::string &job);

// Runs a program to completion; its standard output, and its exit code in *exitCode.
QByteArray runProgram(const QString &program, const QStringList &arguments,
                      int *exitCode = nullptr);

// Renders the job with the label-preview program into <dir>/<name>-1.png and decodes
// every QR code in it with zbarimg. Returns the decoded text ("" when none); the
// picture's size in *size.
QByteArray previewAndDecode(const std::string &job, const QString &dir, const QString &name,
                            QSize *size = nullptr);
