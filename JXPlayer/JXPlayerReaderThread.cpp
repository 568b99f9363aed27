#include "JXPlayer/JXPlayerReaderThread.h"

#include "JXPlayer/JXPlayerReader.h"

JXPlayerReaderThread::JXPlayerReaderThread(JXPlayerReader *reader) : reader(reader)
{
    setName("JXPlayerReaderThread");
}

void JXPlayerReaderThread::work()
{
    reader->read();
}
