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
} // namespace

OmbrixQueueResolution OmbrixQueueResolution::query(const QString &queueName)
{
    OmbrixQueueResolution result;
    if (queueName.isEmpty())
        return result; // libcups would answer for the default queue
    const QByteArray name = queueName.toUtf8();
    cups_dest_t *dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.constData(), nullptr);
    if (!dest)
        return result;
    cups_dinfo_t *info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest);
    if (info) {
        ipp_attribute_t *attribute =
            cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest, info, "printer-resolution");
        result.verticalDpi = attribute ? verticalDpiOf(attribute) : 0;
        result.state = result.verticalDpi > 0 ? State::Known : State::NoResolution;
        cupsFreeDestInfo(info);
    }
    cupsFreeDests(1, dest);
    return result;
}
