#pragma once

#include <QByteArray>

// A structural check of JSON text from the network before Qt parses it. Qt 5's parser
// loses the memory of an object or array when a later member of the same object repeats
// its key, so a device (or any host on the network) sending such replies would make the
// program grow without bound. Replies are one object with unique keys; texts that are not
// well formed are refused here too, as the parser would refuse them.
class VeltoJsonCheck
{
public:
    // Deepest nesting accepted, as Qt's parser accepts.
    static constexpr int kMaxDepth = 1024;

    // True when json is one well-formed JSON value in which no object names a key twice
    // (keys compared after unescaping, so "a" and "\u0061" are the same key).
    static bool hasUniqueKeys(const QByteArray &json);
};
