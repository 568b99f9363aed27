// Arbitrary bytes as a print job given to label-preview's reader: every command word,
// graphic download and raw bitmap it parses, and the drawing of each printed label.
#include "LabelInterpreter.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    LabelInterpreter interpreter;
    // A sixty-fourth of the tool's budget: every limit is still reached, thousands of
    // times faster.
    interpreter.setWorkBudget(LabelInterpreter::kWorkBudget / 64);
    // As label-preview does: each label is handed over as soon as it is drawn and freed.
    interpreter.setLabelSink([](PrintedLabel &&label) {
        if (label.canvas.width() < 1 || label.canvas.height() < 1 ||
            label.canvas.width() > LabelCanvas::kMaxSide ||
            label.canvas.height() > LabelCanvas::kMaxSide || label.copies < 1 ||
            label.copies > 65535LL * 65535)
            std::abort();
        return true;
    });
    interpreter.run(QByteArray(reinterpret_cast<const char *>(data), static_cast<int>(size)));
    return 0;
}
