#pragma once

#include "LabelCanvas.h"
#include "PcxImage.h"

#include <QByteArray>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <vector>

// A raw bitmap graphic: rows of bytesPerRow bytes, set bits print black.
struct RawGraphic
{
    int bytesPerRow = 0;
    int rows = 0;
    QByteArray bits;
};

// One label as the printer would print it at a print command.
struct PrintedLabel
{
    LabelCanvas canvas;
    long long copies = 1; // label sets times copies of each, each field 1...65535
};

// Reads the printer's command language (a spool file or a captured job) and draws every
// label printed by a W or WA command: label size (q, Q), reference point (R), stored PCX
// and raw graphics (GK, GM, GG, BK, GD, GC, GW), lines and boxes (X, LO, LE, LW, LS) and
// the printer-side QR code (b...QR...), which is drawn with the library's own encoder.
// Everything that changes the printed picture but is not drawn here (printer fonts, bar
// codes, forms, counters, ...) is listed in notes(), never skipped silently.
class LabelInterpreter
{
public:
    // A job may be hostile: the dots of all its labels together with every dot operation
    // drawing them are bounded (about 256 MB of labels, a few seconds of drawing), and so
    // are the notes. A job beyond that is drawn up to that point and noted.
    static constexpr long long kWorkBudget = 256LL * 1024 * 1024;
    static constexpr int kMaxNotes = 1000;
    // Takes each label as soon as its print command is drawn, so that only one label is
    // held at a time; false stops the reading (the label could not be kept).
    using LabelSink = std::function<bool(PrintedLabel &&label)>;

    // Without a sink the labels are kept in labels().
    void setLabelSink(LabelSink sink) { labelSink = std::move(sink); }
    // A smaller budget than kWorkBudget, for callers that read many jobs (the fuzzer).
    void setWorkBudget(long long budget) { workLeft = budget; }
    void run(const QByteArray &job);

    const std::vector<PrintedLabel> &labels() const { return printed; }
    const QStringList &notes() const { return notesList; }

private:
    struct Command
    {
        QByteArray word;          // command word
        QByteArray fields;        // text after the word, before a quoted field
        std::vector<int> numbers; // the fields read as numbers
        QByteArray quoted;        // the quoted last field, without its quotes
        bool hasQuoted = false;
        QByteArray text; // the whole command line for notes
        size_t offset = 0;
    };
    using DrawStep = std::function<void(LabelCanvas &)>;

    size_t readCommand(const QByteArray &job, size_t pos);
    size_t readPcxDownload(const QByteArray &job, size_t pos);
    size_t readRawDownload(const QByteArray &job, size_t pos);
    size_t readRawDraw(const QByteArray &job, size_t pos);
    void execute(const Command &c);
    bool executeSetup(const Command &c);
    bool executeDrawing(const Command &c);
    bool executeGraphic(const Command &c);
    void drawQr(const Command &c);
    void print(const Command &c);
    void note(size_t offset, const QByteArray &text, const QString &why);
    void stop(const Command &c, const QString &why);
    void addRaw(const RawGraphic &graphic, int x, int y);
    void addStep(DrawStep step);

    int labelWidth = 0;  // dots, from q; 0 until set
    int labelHeight = 0; // dots, from Q
    int originX = 0;     // reference point from R
    int originY = 0;
    std::vector<DrawStep> steps; // what the next print draws; N clears it
    bool drawnSincePrint = false;
    std::map<QByteArray, std::shared_ptr<const PcxImage>> pcxGraphics; // shared with steps
    std::map<QByteArray, RawGraphic> rawGraphics;
    std::vector<PrintedLabel> printed; // only without a sink
    LabelSink labelSink;
    QStringList notesList;            // at most kMaxNotes, then one line saying more were left out
    long long workLeft = kWorkBudget; // dots of labels and dot operations still allowed
    bool stopped = false;             // set when the budget ran out: nothing more is read
};
