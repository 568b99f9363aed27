#pragma once

#include "app/OmbrixModule.h"

#include <QFunctionPointer>

// The printer command library bound at run time: loaded on construction, released on
// destruction (after the caller has closed its port). GUI thread only.
//
// Every export the program knows is looked up by name into one process-wide table, which
// each bind overwrites; an export the library lacks leaves a null entry. The label needs
// only the typed entries below.
class OmbrixLibrary
{
public:
    using OpenPortFn = int (*)(const char *);
    using VoidFn = int (*)();
    using IntFn = int (*)(int);
    using LabelHeightFn = int (*)(int, unsigned int, int, int);
    using DirectionFn = int (*)(char);
    using TrueTypeFn = int (*)(unsigned int, unsigned int, int, int, const char *, int, int, int,
                               int, int, const char *, const char *);
    using QrFn = int (*)(int, int, int, int, int, int, int, int, int, const char *);
    using PrintLabelFn = int (*)(int, int);

    // Loads "korval" from the application directory, else by the normal library search.
    OmbrixLibrary();
    ~OmbrixLibrary();
    OmbrixLibrary(const OmbrixLibrary &) = delete;
    OmbrixLibrary &operator=(const OmbrixLibrary &) = delete;

    // True when the library is loaded and every entry the label uses was found.
    bool isBound() const { return bound; }

    OpenPortFn openPort() const;
    VoidFn closePort() const;
    VoidFn clearBuffer() const;
    LabelHeightFn setLabelHeight() const;
    IntFn setLabelWidth() const;
    IntFn setDarkness() const;
    IntFn setPrintSpeed() const;
    DirectionFn setDirection() const;
    TrueTypeFn drawTextTrueType() const;
    QrFn drawQr() const;
    PrintLabelFn printLabel() const;

    // The table's entry for an export of the list (null when the last bind did not find
    // it, or when the name is not in the list).
    static QFunctionPointer entryPoint(const char *name);
    static int entryCount();

    // The major version of the library's interface that this binding is written for.
    static constexpr int kInterfaceVersion = 10;

private:
    bool load();
    void lookUpEntries();
    template <typename Fn>
    Fn entry(const char *name) const;

    OmbrixModule library; // unloaded by its destructor
    bool bound = false;
};
