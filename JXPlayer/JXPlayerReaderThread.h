#pragma once

#include "JXPlayer/JXPlayerThread.h"

class JXPlayerReader;

// The reader's thread: its body is JXPlayerReader::read().
class JXPlayerReaderThread : public JXPlayerThread
{
public:
    explicit JXPlayerReaderThread(JXPlayerReader *reader);

protected:
    void work() override;

private:
    JXPlayerReader *reader; // not owned; owns this thread
};
