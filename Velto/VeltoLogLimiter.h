#pragma once

#include <QElapsedTimer>

// Paces a kind of log line: at most kLinesPerSecond are admitted in each second, and the
// number turned away is handed out once, to be logged as one line. Used by one thread.
class VeltoLogLimiter
{
public:
    static constexpr int kLinesPerSecond = 50;

    // True when one more line may be written now; otherwise it is counted as skipped.
    bool admit();
    // Lines skipped in the seconds that have ended since the last call; 0 while the
    // current second is still admitting or turning lines away.
    int takeSkipped();

private:
    void roll();

    QElapsedTimer second; // started at the first line of the current second
    int admitted = 0;     // lines admitted in the current second
    int skipped = 0;      // lines turned away in the current second
    int pending = 0;      // skipped lines of ended seconds, not yet handed out
};
