#pragma once

#include "JXUtils/JXThread.h"

// A worker whose body is a member function of its owner, so that an owner with several
// loops (a decoder's video and audio loop, a render's two clocks, a reader) needs no
// thread class of its own per loop. The owner creates, halts and deletes the thread and
// outlives its body.
template <typename Owner>
class JXMemberThread : public JXThread
{
public:
    using Body = void (Owner::*)();

    // name is the thread object's name, e.g. "JXPlayerReaderThread".
    JXMemberThread(Owner *owner, Body body, const char *name) : owner(owner), body(body)
    {
        setName(name);
    }

    void run() override { (owner->*body)(); }

private:
    Owner *const owner; // not owned; owns this thread
    const Body body;    // runs on this thread only
};
