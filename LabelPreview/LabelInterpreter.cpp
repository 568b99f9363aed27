#include "LabelInterpreter.h"

#include "KorvalQrEncoder.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

namespace {

// Numbers in a job are dots; anything beyond this is no place on a label, and keeping
// them small keeps every sum of coordinates and sizes inside an int.
constexpr int kLargestNumber = 1 << 24;

// What one drawing step costs before it draws a dot, in dot operations: about the time of
// calling it.
constexpr long long kStepCost = 32;

// Command words, longest first so that a prefix never hides a longer word.
const char *const kCommandWords[] = {
    "#UM>CP", "^ee", "GW", "GD", "GM", "GK", "GG", "GI", "GC", "BK", "BI", "BF", "LO", "LE", "LW",
    "LS",     "WA",  "ZS", "ZN", "JB", "JF", "EI", "EK", "FI", "FK", "FS", "FE", "FR", "FM", "MD",
    "MR",     "CF",  "CT", "RF", "RZ", "RS", "RA", "^@", "N",  "q",  "Q",  "Z",  "H",  "S",  "R",
    "X",      "W",   "T",  "B",  "b",  "C",  "V",  "?",  "g",  "I",  "O",  "U"};

// Commands that only set the printer up or ask it something: nothing to draw.
const char *const kSetupWords[] = {"H", "S",  "Z",  "ZS", "ZN",  "JB", "JF", "O",  "g",
                                   "I", "BF", "CF", "^@", "^ee", "EI", "GI", "BI", "FI"};

QByteArray wordAt(const QByteArray &job, size_t pos)
{
    for (const char *word : kCommandWords) {
        const size_t n = std::strlen(word);
        if (pos + n <= static_cast<size_t>(job.size()) &&
            std::memcmp(job.constData() + pos, word, n) == 0)
            return QByteArray::fromRawData(word, static_cast<int>(n));
    }
    return QByteArray();
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// One field: leading bytes up to a sign or digit are skipped, and the rest must be a whole
// number of int range; anything else reads as 0.
int numberOfField(const char *begin, const char *end)
{
    while (begin < end && isSpace(end[-1]))
        --end;
    while (begin < end && !(*begin == '-' || (*begin >= '0' && *begin <= '9')))
        ++begin;
    const bool negative = begin < end && *begin == '-';
    if (negative)
        ++begin;
    if (begin == end)
        return 0;
    long long value = 0;
    for (; begin < end; ++begin) {
        if (*begin < '0' || *begin > '9')
            return 0;
        value = value * 10 + (*begin - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            return 0;
    }
    value = negative ? -value : value;
    if (value > INT_MAX)
        return 0;
    return static_cast<int>(value);
}

// The integers of comma-separated fields, in one pass; a field may carry a letter before
// its number (o0, r8). Missing, malformed or overflowing fields read as 0; the others are
// clamped to kLargestNumber.
std::vector<int> numbersOf(const QByteArray &fields)
{
    std::vector<int> out;
    const char *at = fields.constData();
    const char *const end = at + fields.size();
    for (;;) {
        const char *comma = static_cast<const char *>(std::memchr(at, ',', end - at));
        const char *fieldEnd = comma ? comma : end;
        out.push_back(std::clamp(numberOfField(at, fieldEnd), -kLargestNumber, kLargestNumber));
        if (!comma)
            return out;
        at = comma + 1;
    }
}

// The part of a width x height picture placed at (x, y) that falls on the canvas, in the
// picture's own rows and columns.
struct VisibleRange
{
    int firstColumn;
    int endColumn;
    int firstRow;
    int endRow;
};

VisibleRange visibleRange(const LabelCanvas &canvas, int x, int y, long long width,
                          long long height)
{
    auto clip = [](int at, long long size, int limit) {
        const long long first = std::max<long long>(0, -static_cast<long long>(at));
        const long long end = std::min<long long>(size, static_cast<long long>(limit) - at);
        return std::pair<int, int>(static_cast<int>(std::min<long long>(first, limit)),
                                   static_cast<int>(std::max<long long>(end, 0)));
    };
    const auto columns = clip(x, width, canvas.width());
    const auto rows = clip(y, height, canvas.height());
    return {columns.first, columns.second, rows.first, rows.second};
}

// Every dot looked at costs one, ink or not.
long long visibleDots(const VisibleRange &v)
{
    return static_cast<long long>(std::max(v.endColumn - v.firstColumn, 0)) *
           std::max(v.endRow - v.firstRow, 0);
}

// A field of W: label sets or copies of each, 1...65535 at the printer. A missing field
// is 1; anything else outside the range is clamped, and inRange says so.
long long copiesField(const QByteArray &fields, int i, bool &inRange)
{
    const QList<QByteArray> parts = fields.split(',');
    if (i >= parts.size() || parts[i].trimmed().isEmpty())
        return 1;
    bool ok = false;
    const long long value = parts[i].trimmed().toLongLong(&ok);
    if (ok && value >= 1 && value <= 65535)
        return value;
    inRange = false;
    return ok && value > 65535 ? 65535 : 1;
}

int numberAt(const std::vector<int> &n, size_t i)
{
    return i < n.size() ? n[i] : 0;
}

// Whether a command can begin at pos: the end of the job, a command word, or a line end
// followed by either.
bool plausibleCommandStart(const QByteArray &job, size_t pos)
{
    const size_t size = static_cast<size_t>(job.size());
    if (pos == size || !wordAt(job, pos).isEmpty())
        return true;
    if (job.mid(static_cast<int>(pos), 2) != "\r\n")
        return false;
    return pos + 2 == size || !wordAt(job, pos + 2).isEmpty();
}

// The end of a line: after CR LF (or a lone LF), or the end of the job.
size_t lineEnd(const QByteArray &job, size_t from)
{
    const int lf = job.indexOf('\n', static_cast<int>(from));
    return lf < 0 ? static_cast<size_t>(job.size()) : static_cast<size_t>(lf) + 1;
}

QByteArray withoutLineEnd(QByteArray line)
{
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return line;
}

} // namespace

void LabelInterpreter::run(const QByteArray &job)
{
    size_t pos = 0;
    while (pos < static_cast<size_t>(job.size()) && !stopped) {
        const char c = job[static_cast<int>(pos)];
        if (c == '\r' || c == '\n' || c == ' ') {
            ++pos;
            continue;
        }
        pos = readCommand(job, pos);
    }
    if (drawnSincePrint && !stopped)
        note(static_cast<size_t>(job.size()), "",
             "drawn after the last print command, never printed");
}

void LabelInterpreter::stop(const Command &c, const QString &why)
{
    note(c.offset, c.text, why + "; the rest of the job is not read");
    stopped = true;
}

void LabelInterpreter::note(size_t offset, const QByteArray &text, const QString &why)
{
    if (notesList.size() > kMaxNotes)
        return;
    if (notesList.size() == kMaxNotes) {
        notesList << QString("offset %1: further notes left out").arg(offset);
        return;
    }
    QString shown = QString::fromLatin1(text.left(80));
    if (text.size() > 80)
        shown += "...";
    notesList << QString("offset %1: %2%3%4")
                     .arg(offset)
                     .arg(shown)
                     .arg(shown.isEmpty() ? "" : ": ")
                     .arg(why);
}

size_t LabelInterpreter::readCommand(const QByteArray &job, size_t pos)
{
    const QByteArray word = wordAt(job, pos);
    if (word == "GM")
        return readPcxDownload(job, pos);
    if (word == "GD")
        return readRawDownload(job, pos);
    if (word == "GW")
        return readRawDraw(job, pos);

    // The printer ends every command at its line end, a quoted field included (a line break
    // in quoted text starts a new command there too), so each byte is read once.
    const size_t end = lineEnd(job, pos);
    Command c;
    c.offset = pos;
    c.word = word;
    c.text = withoutLineEnd(job.mid(static_cast<int>(pos), static_cast<int>(end - pos)));
    QByteArray rest = c.text.mid(word.size());
    const int open = rest.indexOf('"');
    if (open >= 0) {
        c.hasQuoted = true;
        c.quoted = rest.mid(open + 1);
        if (c.quoted.endsWith('"'))
            c.quoted.chop(1);
        rest = rest.left(open);
    }
    c.fields = rest;
    c.numbers = numbersOf(rest);
    execute(c);
    return end;
}

// GM"name"size CR LF, then size bytes of a PCX file.
size_t LabelInterpreter::readPcxDownload(const QByteArray &job, size_t pos)
{
    const size_t end = lineEnd(job, pos);
    const QByteArray line =
        withoutLineEnd(job.mid(static_cast<int>(pos), static_cast<int>(end - pos)));
    const int open = line.indexOf('"');
    const int close = open < 0 ? -1 : line.indexOf('"', open + 1);
    bool ok = false;
    const qlonglong size = close < 0 ? -1 : line.mid(close + 1).toLongLong(&ok);
    if (!ok || size < 0 || end + static_cast<size_t>(size) > static_cast<size_t>(job.size())) {
        note(pos, line, "PCX download cut short or malformed; the rest of the job is not read");
        return static_cast<size_t>(job.size());
    }
    const QByteArray name = line.mid(open + 1, close - open - 1);
    PcxImage image;
    std::string error;
    const auto *data = reinterpret_cast<const uint8_t *>(job.constData()) + end;
    if (decodePcx(data, static_cast<size_t>(size), image, error)) {
        // Stored pictures are paid from the job's budget: 63 decoded bytes for every two of
        // the job could otherwise hold gigabytes.
        const long long dots = static_cast<long long>(image.width) * image.height;
        if (dots > workLeft) {
            note(pos, line, "too many PCX graphics; the rest of the job is not read");
            stopped = true;
            return static_cast<size_t>(job.size());
        }
        workLeft -= dots;
        pcxGraphics[name] = std::make_shared<const PcxImage>(std::move(image));
    } else
        note(pos, line, QString("PCX graphic not stored: %1").arg(QString::fromStdString(error)));
    return end + static_cast<size_t>(size);
}

// GD"name"width,height, then width * height bytes.
size_t LabelInterpreter::readRawDownload(const QByteArray &job, size_t pos)
{
    const int open = job.indexOf('"', static_cast<int>(pos));
    const int close = open < 0 ? -1 : job.indexOf('"', open + 1);
    const int comma1 = close < 0 ? -1 : job.indexOf(',', close);
    const int comma2 = comma1 < 0 ? -1 : job.indexOf(',', comma1 + 1);
    if (comma2 < 0) {
        note(pos, job.mid(static_cast<int>(pos), 40),
             "malformed raw graphic download; the rest of the job is not read");
        return static_cast<size_t>(job.size());
    }
    RawGraphic g;
    g.bytesPerRow = job.mid(close + 1, comma1 - close - 1).toInt();
    g.rows = job.mid(comma1 + 1, comma2 - comma1 - 1).toInt();
    const size_t start = static_cast<size_t>(comma2) + 1;
    const size_t bytes =
        static_cast<size_t>(std::max(g.bytesPerRow, 0)) * static_cast<size_t>(std::max(g.rows, 0));
    const QByteArray header = job.mid(static_cast<int>(pos), static_cast<int>(start - pos));
    if (start + bytes > static_cast<size_t>(job.size())) {
        note(pos, header, "raw graphic cut short; the rest of the job is not read");
        return static_cast<size_t>(job.size());
    }
    g.bits = job.mid(static_cast<int>(start), static_cast<int>(bytes));
    rawGraphics[job.mid(open + 1, close - open - 1)] = g;
    return start + bytes;
}

// GWx,y,width,height, then width * height bytes. The height runs straight into the data,
// so when the data starts with a digit the longest reading after which a command (or the
// end of the job) can follow is taken.
size_t LabelInterpreter::readRawDraw(const QByteArray &job, size_t pos)
{
    int commas[3];
    int at = static_cast<int>(pos);
    for (int &comma : commas) {
        comma = job.indexOf(',', at);
        if (comma < 0) {
            note(pos, job.mid(static_cast<int>(pos), 40),
                 "malformed GW; the rest of the job is not read");
            return static_cast<size_t>(job.size());
        }
        at = comma + 1;
    }
    const std::vector<int> n =
        numbersOf(job.mid(static_cast<int>(pos) + 2, commas[2] - static_cast<int>(pos) - 2));
    const int x = numberAt(n, 0);
    const int y = numberAt(n, 1);
    const int bytesPerRow = std::max(numberAt(n, 2), 0);
    int digits = 0;
    while (commas[2] + 1 + digits < job.size() && digits < 6 &&
           std::isdigit(static_cast<unsigned char>(job[commas[2] + 1 + digits])))
        ++digits;
    for (int k = digits; k >= 1; --k) {
        const int rows = job.mid(commas[2] + 1, k).toInt();
        const size_t start = static_cast<size_t>(commas[2]) + 1 + static_cast<size_t>(k);
        const size_t end = start + static_cast<size_t>(bytesPerRow) * static_cast<size_t>(rows);
        if (end > static_cast<size_t>(job.size()))
            continue;
        if (k > 1 && !plausibleCommandStart(job, end))
            continue;
        RawGraphic g{bytesPerRow, rows,
                     job.mid(static_cast<int>(start), static_cast<int>(end - start))};
        addRaw(g, originX + x, originY + y);
        return end;
    }
    note(pos, job.mid(static_cast<int>(pos), commas[2] - static_cast<int>(pos) + 1),
         "GW data cut short; the rest of the job is not read");
    return static_cast<size_t>(job.size());
}

void LabelInterpreter::execute(const Command &c)
{
    if (c.word == "N") {
        steps.clear();
        return;
    }
    if (c.word == "W" || c.word == "WA") {
        print(c);
        return;
    }
    if (executeSetup(c) || executeDrawing(c) || executeGraphic(c))
        return;
    if (c.word == "b" && c.fields.split(',').value(2) == "QR") {
        drawQr(c);
        return;
    }
    if (c.word.isEmpty())
        note(c.offset, c.text, "unknown command, not drawn");
    else
        note(c.offset, c.text, "not drawn by the preview");
}

bool LabelInterpreter::executeSetup(const Command &c)
{
    const std::vector<int> &n = c.numbers;
    if (c.word == "q") {
        labelWidth = numberAt(n, 0);
        return true;
    }
    if (c.word == "Q") {
        labelHeight = numberAt(n, 0);
        return true;
    }
    if (c.word == "R") {
        originX = numberAt(n, 0);
        originY = numberAt(n, 1);
        return true;
    }
    return std::any_of(std::begin(kSetupWords), std::end(kSetupWords),
                       [&c](const char *w) { return c.word == w; });
}

bool LabelInterpreter::executeDrawing(const Command &c)
{
    const std::vector<int> &n = c.numbers;
    const int x = originX + numberAt(n, 0);
    const int y = originY + numberAt(n, 1);
    const int p3 = numberAt(n, 2);
    const int p4 = numberAt(n, 3);
    const int p5 = numberAt(n, 4);
    if (c.word == "LO" || c.word == "LE" || c.word == "LW") {
        const LabelCanvas::Ink ink = c.word == "LO"   ? LabelCanvas::Ink::Black
                                     : c.word == "LE" ? LabelCanvas::Ink::Invert
                                                      : LabelCanvas::Ink::White;
        addStep([=](LabelCanvas &canvas) { canvas.fillRect(x, y, p3, p4, ink); });
        return true;
    }
    if (c.word == "X") { // x1, y1, line thickness, x2, y2
        const int x2 = originX + p4;
        const int y2 = originY + p5;
        addStep([=](LabelCanvas &canvas) {
            const auto ink = LabelCanvas::Ink::Black;
            canvas.fillRect(x, y, x2 - x, p3, ink);
            canvas.fillRect(x, y2 - p3, x2 - x, p3, ink);
            canvas.fillRect(x, y, p3, y2 - y, ink);
            canvas.fillRect(x2 - p3, y, p3, y2 - y, ink);
        });
        return true;
    }
    if (c.word == "LS") { // x1, y1, line thickness, x2, y2
        const int x2 = originX + p4;
        const int y2 = originY + p5;
        addStep([=](LabelCanvas &canvas) { canvas.drawLine(x, y, x2, y2, p3); });
        return true;
    }
    return false;
}

bool LabelInterpreter::executeGraphic(const Command &c)
{
    if (c.word == "GK") {
        pcxGraphics.erase(c.quoted);
        return true;
    }
    if (c.word == "BK") {
        rawGraphics.erase(c.quoted);
        return true;
    }
    if (c.word != "GG" && c.word != "GC")
        return false;
    const std::vector<int> &n = c.numbers;
    const int x = originX + numberAt(n, 0);
    const int y = originY + numberAt(n, 1);
    if (c.word == "GG") {
        const auto found = pcxGraphics.find(c.quoted);
        if (found == pcxGraphics.end()) {
            note(c.offset, c.text, "no PCX graphic of that name is stored");
            return true;
        }
        const std::shared_ptr<const PcxImage> image = found->second;
        addStep([image, x, y](LabelCanvas &canvas) {
            const VisibleRange v = visibleRange(canvas, x, y, image->width, image->height);
            if (!canvas.charge(visibleDots(v)))
                return;
            for (int row = v.firstRow; row < v.endRow && !canvas.exhausted(); ++row) {
                for (int col = v.firstColumn; col < v.endColumn; ++col) {
                    if (image->isInk(col, row))
                        canvas.paint(x + col, y + row, LabelCanvas::Ink::Black);
                }
            }
        });
        return true;
    }
    const auto found = rawGraphics.find(c.quoted);
    if (found == rawGraphics.end()) {
        note(c.offset, c.text, "no raw graphic of that name is stored");
        return true;
    }
    addRaw(found->second, x, y);
    return true;
}

// bx,y,QR,p3,p4,o<rotation>,r<magnification>,m<model>,g<level>,s<mask>,"data"
void LabelInterpreter::drawQr(const Command &c)
{
    const std::vector<int> &n = c.numbers;
    const int x = originX + numberAt(n, 0);
    const int y = originY + numberAt(n, 1);
    const int rotation = numberAt(n, 5);
    const int magnification = numberAt(n, 6);
    const int model = numberAt(n, 7);
    const int level = numberAt(n, 8);
    const int mask = numberAt(n, 9);
    QrModuleMatrix symbol;
    if (!encodeQrModules(c.quoted.constData(), level, mask, rotation, symbol)) {
        note(c.offset, c.text, "the QR data cannot be encoded at that level and mask");
        return;
    }
    if (model != 2)
        note(c.offset, c.text, QString("drawn as model 2 (the command asks for m%1)").arg(model));
    // Encoding tries all eight masks over the symbol: paid like drawing it eight times.
    const int size = symbol.size;
    const long long encoding = 8LL * size * size;
    if (encoding > workLeft) {
        stop(c, "too many QR codes; the preview stops here");
        return;
    }
    workLeft -= encoding;
    // The modules are drawn straight onto the label, so a large magnification costs only
    // the dots that fall on it.
    const int m = magnification < 1 || magnification > kQrMaxMagnification ? 1 : magnification;
    addStep([symbol = std::move(symbol), size, m, x, y](LabelCanvas &canvas) {
        const VisibleRange v =
            visibleRange(canvas, x, y, static_cast<long long>(size) * m, size * m);
        if (!canvas.charge(visibleDots(v)))
            return;
        for (int row = v.firstRow / m; row * m < v.endRow; ++row) {
            for (int column = v.firstColumn / m; column * m < v.endColumn; ++column) {
                if (symbol.isDark(column, row))
                    canvas.fillRect(x + column * m, y + row * m, m, m, LabelCanvas::Ink::Black);
            }
        }
    });
}

void LabelInterpreter::addStep(DrawStep step)
{
    steps.push_back(std::move(step));
    drawnSincePrint = true;
}

void LabelInterpreter::addRaw(const RawGraphic &graphic, int x, int y)
{
    addStep([graphic, x, y](LabelCanvas &canvas) {
        const long long dotsPerRow = static_cast<long long>(graphic.bytesPerRow) * 8;
        const VisibleRange v = visibleRange(canvas, x, y, dotsPerRow, graphic.rows);
        if (!canvas.charge(visibleDots(v)))
            return;
        for (int r = v.firstRow; r < v.endRow && !canvas.exhausted(); ++r) {
            const auto *row = reinterpret_cast<const uint8_t *>(graphic.bits.constData()) +
                              static_cast<size_t>(r) * graphic.bytesPerRow;
            for (int b = v.firstColumn; b < v.endColumn; ++b) {
                if (row[b / 8] & (0x80 >> (b % 8)))
                    canvas.paint(x + b, y + r, LabelCanvas::Ink::Black);
            }
        }
    });
}

void LabelInterpreter::print(const Command &c)
{
    if (labelWidth <= 0 || labelHeight <= 0)
        note(c.offset, c.text, "label width or height not set; 832 x 1218 dots assumed");
    const int width = labelWidth > 0 ? labelWidth : 832;
    const int height = labelHeight > 0 ? labelHeight : 1218;
    const long long dots = static_cast<long long>(width) * height;
    if (width > LabelCanvas::kMaxSide || height > LabelCanvas::kMaxSide ||
        dots > LabelCanvas::kMaxDots) {
        stop(c, QString("a label of %1 x %2 dots is beyond the %3 dots a side and %4 "
                        "megapixels the preview draws")
                    .arg(width)
                    .arg(height)
                    .arg(LabelCanvas::kMaxSide)
                    .arg(LabelCanvas::kMaxDots / 1000000));
        return;
    }
    // The label's dots are paid from the same budget as the drawing on it.
    if (dots > workLeft) {
        stop(c, QString("a label of %1 x %2 dots is more than the preview draws")
                    .arg(width)
                    .arg(height));
        return;
    }
    bool inRange = true;
    const long long copies = copiesField(c.fields, 0, inRange) * copiesField(c.fields, 1, inRange);
    if (!inRange)
        note(c.offset, c.text, QString("a count outside 1...65535, read as %1 copies").arg(copies));
    std::unique_ptr<PrintedLabel> label;
    try {
        label.reset(new PrintedLabel{LabelCanvas(width, height, workLeft - dots), copies});
    } catch (const std::bad_alloc &) {
        stop(c, QString("no memory for a label of %1 x %2 dots").arg(width).arg(height));
        return;
    }
    // Each step costs as much as a few dozen dots even when it draws nothing, so a long
    // list of steps drawn off the label, printed many times, is bounded too.
    for (size_t i = 0; i < steps.size() && label->canvas.charge(kStepCost); ++i)
        steps[i](label->canvas);
    if (label->canvas.exhausted()) {
        stop(c, "too much to draw; the preview stops here");
        return;
    }
    workLeft = label->canvas.budget();
    drawnSincePrint = false;
    if (!labelSink) {
        printed.push_back(std::move(*label));
        return;
    }
    if (!labelSink(std::move(*label))) {
        note(c.offset, c.text, "the label could not be written; the rest of the job is not read");
        stopped = true;
    }
}
