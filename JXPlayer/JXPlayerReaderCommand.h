#pragma once

// A play or pause request travelling from the client's thread to the reader thread, which
// alone calls the demuxer.
class JXPlayerReaderCommand
{
public:
    static constexpr int kPlay = 0;
    static constexpr int kPause = 1;

    explicit JXPlayerReaderCommand(int command) : command(command) {}
    virtual ~JXPlayerReaderCommand() = default;

    int command;
};
