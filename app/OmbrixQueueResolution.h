#pragma once

#include <QString>

// What the system's printer queue says about its resolution. One implementation per
// platform (OmbrixQueueResolution_<platform>.cpp).
class OmbrixQueueResolution
{
public:
    enum class State
    {
        Unreadable,   // the queue cannot be found or its information read
        NoResolution, // the queue reports no resolution
        Known,        // verticalDpi holds the queue's default vertical resolution
    };

    static OmbrixQueueResolution query(const QString &queueName);

    State state = State::Unreadable;
    int verticalDpi = 0; // dots per inch; above 0 when Known
};
