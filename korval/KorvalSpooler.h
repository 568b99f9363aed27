#pragma once

#include <cstddef>
#include <string>

// The print system's side of an output: finding a queue by name and handing it one raw job.

struct KorvalQueueInfo
{
    bool found = false;   // the print system knows the queue
    bool offline = false; // it is stopped or not accepting jobs ("work offline")
};

KorvalQueueInfo korvalSpoolerLookup(const char *queue);

enum class KorvalSpoolerResult
{
    Ok,
    StartFailed, // the job or its document could not be started
    WriteFailed, // the bytes did not all reach the print system
    EndFailed    // the document could not be finished
};

// Sends data as one job with the given title, in the raw format, so the printer receives
// the bytes unchanged.
KorvalSpoolerResult korvalSpoolerPrintRaw(const std::string &queue, const char *title,
                                          const char *data, size_t size);
