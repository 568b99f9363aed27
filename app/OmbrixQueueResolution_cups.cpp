#include "app/OmbrixQueueResolution.h"

#include <cups/cups.h>

namespace {
const double kMillimetresPerInch = 25.4;

// Vertical dots per inch of a resolution attribute; 0 when it gives none that is usable.
int verticalDpiOf(ipp_attribute_t *attribute)
{
    int yres = 0;
    ipp_res_t units = IPP_RES_PER_INCH;
    ippGetResolution(attribute, 0, &yres, &units);
    if (yres <= 0)
        return 0;
    if (units == IPP_RES_PER_CM)
        return int(yres * kMillimetresPerInch / 10 + 0.5);
    return yres;
}

// One Get-Printer-Attributes request for just the attributes needed: a label waits for
// it, and the scheduler answers a narrow request much faster than a full one.
ipp_t *requestResolution(const QByteArray &name)
{
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0,
                     "/printers/%s", name.constData());
    ipp_t *request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    static const char *const kWanted[] = {"printer-name", "printer-resolution-default"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 2, nullptr,
                  kWanted);
    return cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
}
} // namespace

OmbrixQueueResolution OmbrixQueueResolution::query(const QString &queueName)
{
    OmbrixQueueResolution result;
    if (queueName.isEmpty() || queueName.contains(QLatin1Char('/')))
        return result; // no such queue name
    ipp_t *response = requestResolution(queueName.toUtf8());
    if (!response)
        return result;
    if (ippGetStatusCode(response) <= IPP_STATUS_OK_CONFLICTING &&
        ippFindAttribute(response, "printer-name", IPP_TAG_NAME)) {
        ipp_attribute_t *attribute =
            ippFindAttribute(response, "printer-resolution-default", IPP_TAG_RESOLUTION);
        result.verticalDpi = attribute ? verticalDpiOf(attribute) : 0;
        result.state = result.verticalDpi > 0 ? State::Known : State::NoResolution;
    }
    ippDelete(response);
    return result;
}
