// Spooler output through libcups. The server is whatever libcups is pointed at
// (CUPS_SERVER, client.conf, or the local scheduler).
#include "KorvalSpooler.h"

#include <cstring>
#include <cups/cups.h>

namespace {

constexpr const char *kStoppedState = "5"; // IPP printer-state "stopped"

bool queueOffline(const cups_dest_t *dest)
{
    const char *state = cupsGetOption("printer-state", dest->num_options, dest->options);
    const char *accepting =
        cupsGetOption("printer-is-accepting-jobs", dest->num_options, dest->options);
    return (state && std::strcmp(state, kStoppedState) == 0) ||
           (accepting && std::strcmp(accepting, "false") == 0);
}

} // namespace

KorvalQueueInfo korvalSpoolerLookup(const char *queue)
{
    KorvalQueueInfo info;
    if (!queue || !*queue)
        return info;
    cups_dest_t *dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, queue, nullptr);
    if (!dest)
        return info;
    info.found = true;
    info.offline = queueOffline(dest);
    cupsFreeDests(1, dest);
    return info;
}

KorvalSpoolerResult korvalSpoolerPrintRaw(const std::string &queue, const char *title,
                                          const char *data, size_t size)
{
    const char *name = queue.c_str();
    const int job = cupsCreateJob(CUPS_HTTP_DEFAULT, name, title, 0, nullptr);
    if (job <= 0)
        return KorvalSpoolerResult::StartFailed;
    if (cupsStartDocument(CUPS_HTTP_DEFAULT, name, job, title, CUPS_FORMAT_RAW, 1) !=
        HTTP_STATUS_CONTINUE) {
        cupsCancelJob2(CUPS_HTTP_DEFAULT, name, job, 0);
        return KorvalSpoolerResult::StartFailed;
    }
    const bool written =
        size == 0 || cupsWriteRequestData(CUPS_HTTP_DEFAULT, data, size) == HTTP_STATUS_CONTINUE;
    const bool finished =
        cupsFinishDocument(CUPS_HTTP_DEFAULT, name) <= IPP_STATUS_OK_EVENTS_COMPLETE;
    if (!written) {
        cupsCancelJob2(CUPS_HTTP_DEFAULT, name, job, 0);
        return KorvalSpoolerResult::WriteFailed;
    }
    return finished ? KorvalSpoolerResult::Ok : KorvalSpoolerResult::EndFailed;
}
