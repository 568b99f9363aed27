#pragma once

#include <QJsonObject>

// What the simulator tells its user (a test, or a person running a demonstration): one
// compact JSON object per line on standard output, flushed at once.
class SimEvents
{
public:
    static void print(const char *event, QJsonObject fields = QJsonObject());
};
