#pragma once

// Steps the time of day of this test process, through the preloaded clockstep shim. A test
// binary that links this is started again with the shim in LD_PRELOAD before main() runs
// (CLOCKSTEP_SHIM names the library), so every case has it.
class ClockStep
{
public:
    // Whether the shim is loaded into this process.
    static bool active();
    // Moves the time of day by seconds (negative: back). Monotonic clocks do not move.
    static void step(double seconds);
};
