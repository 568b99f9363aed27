#include "Velto/VeltoLogLimiter.h"

namespace {
const qint64 kSecondMs = 1000;
} // namespace

void VeltoLogLimiter::roll()
{
    if (second.isValid() && second.elapsed() < kSecondMs)
        return;
    pending += skipped;
    skipped = 0;
    admitted = 0;
    second.start();
}

bool VeltoLogLimiter::admit()
{
    roll();
    if (admitted < kLinesPerSecond) {
        ++admitted;
        return true;
    }
    ++skipped;
    return false;
}

int VeltoLogLimiter::takeSkipped()
{
    roll();
    const int count = pending;
    pending = 0;
    return count;
}
