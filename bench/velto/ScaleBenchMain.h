#pragma once

// The main of the scale benchmarks: an application folder of its own, the log written to a
// file only, the protocol started on the namespace's interface, then the benchmarks once
// ready() says the simulated cameras are there (nullptr: at once). script is the wrapper
// that sets the namespaces up, named when the program was started without it.
int runScaleBenchmarks(int argc, char **argv, const char *script, bool (*ready)() = nullptr);
