#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// A private CUPS scheduler for tests. It runs from a temporary folder of its own
// (configuration, spool, cache, state, logs and programs), listens only on a Unix socket
// in that folder, and points this process's libcups (and every tool started through
// runTool, or any child inheriting the environment) at it through CUPS_SERVER. Raw queues
// hand each job to a small backend that stores the job's bytes unchanged as
// <root>/out/<queue>/job-<id>.prn, so tests read back exactly what a printer would get.
//
// The scheduler dies with the process that started it, and stop() (also run by the
// destructor) kills it and removes the whole folder; a folder left by a process that
// crashed is removed by the next start. One instance per test suite is enough: it starts
// in about 0.1 s.
class CupsFixture
{
public:
    struct Job
    {
        int id = 0;
        std::string title;
        std::string format;
        int state = 0; // IPP job state: 3 pending, 4 held, 5 processing, 9 completed ...
    };

    CupsFixture() = default;
    CupsFixture(const CupsFixture &) = delete;
    CupsFixture &operator=(const CupsFixture &) = delete;
    ~CupsFixture();

    // Starts the scheduler and waits until it accepts connections; false with the reason
    // in error().
    bool start();
    void stop();
    bool running() const { return pid > 0; }
    const std::string &error() const { return lastError; }
    const std::string &root() const { return rootDir; }
    const std::string &socketPath() const { return socket; }

    // Adds an enabled raw queue that accepts jobs and delivers them to outputDir(queue).
    // Extra lpadmin arguments are appended, e.g. {"-o", "printer-resolution-default=203dpi"}.
    bool addRawQueue(const std::string &queue, const std::vector<std::string> &lpadminArgs = {});
    std::string outputDir(const std::string &queue) const;

    // Runs a CUPS client tool (lpadmin, cupsdisable, cupsreject, lpstat ...) against this
    // scheduler; true when it exits with 0. Its output goes to <root>/log/tools.log.
    bool runTool(const std::vector<std::string> &argv);

    // Waits until at least count jobs of the queue have been delivered.
    bool waitForJobs(const std::string &queue, size_t count, int timeoutMs = 10000) const;
    // The bytes of every delivered job of the queue, in job order.
    std::vector<std::string> deliveredJobs(const std::string &queue) const;
    // Every job the scheduler knows for the queue (held and completed ones too).
    std::vector<Job> jobs(const std::string &queue) const;

    std::string errorLog() const;

private:
    bool writeConfiguration();
    bool waitUntilReady();
    void pointClientsHere();
    void restoreClients();

    std::string rootDir; // temporary folder holding everything of this scheduler
    std::string socket;  // <root>/cups.sock
    std::string lastError;
    pid_t pid = -1; // the scheduler process
    bool hadServerEnv = false;
    std::string savedServerEnv;
};
