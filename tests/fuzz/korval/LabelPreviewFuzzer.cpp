// Arbitrary bytes as a print job given to label-preview's reader: every command word,
// graphic download and raw bitmap it parses, and the drawing of each printed label.
#include "LabelInterpreter.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    LabelInterpreter interpreter;
    interpreter.run(QByteArray(reinterpret_cast<const char *>(data), static_cast<int>(size)));
    for (const PrintedLabel &label : interpreter.labels()) {
        if (label.canvas.width() < 1 || label.canvas.height() < 1 || label.copies < 1)
            std::abort();
    }
    return 0;
}
