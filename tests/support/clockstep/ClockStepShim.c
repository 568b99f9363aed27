// Preloaded into a test process: shifts every reading of the time of day (CLOCK_REALTIME,
// gettimeofday, time) by an offset the test moves with clockstep_add(), as an operator or
// a time daemon setting the clock would. Monotonic clocks pass through untouched.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdatomic.h>
#include <stddef.h>
#include <sys/time.h>
#include <time.h>

static _Atomic long long offsetNs; // written by the test thread, read by every thread

__attribute__((visibility("default"))) void clockstep_add(long long nanoseconds)
{
    atomic_fetch_add(&offsetNs, nanoseconds);
}

static void shift(struct timespec *ts)
{
    long long ns = (long long)ts->tv_sec * 1000000000LL + ts->tv_nsec + atomic_load(&offsetNs);
    ts->tv_sec = (time_t)(ns / 1000000000LL);
    ts->tv_nsec = (long)(ns % 1000000000LL);
}

static int realClock(clockid_t id, struct timespec *ts)
{
    static int (*real)(clockid_t, struct timespec *);
    if (!real)
        real = (int (*)(clockid_t, struct timespec *))dlsym(RTLD_NEXT, "clock_gettime");
    return real(id, ts);
}

__attribute__((visibility("default"))) int clock_gettime(clockid_t id, struct timespec *ts)
{
    const int result = realClock(id, ts);
    if (result == 0 && (id == CLOCK_REALTIME || id == CLOCK_REALTIME_COARSE))
        shift(ts);
    return result;
}

__attribute__((visibility("default"))) int gettimeofday(struct timeval *tv, void *tz)
{
    (void)tz;
    struct timespec ts;
    const int result = clock_gettime(CLOCK_REALTIME, &ts);
    if (result == 0 && tv) {
        tv->tv_sec = ts.tv_sec;
        tv->tv_usec = ts.tv_nsec / 1000;
    }
    return result;
}

__attribute__((visibility("default"))) time_t time(time_t *out)
{
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    if (out)
        *out = ts.tv_sec;
    return ts.tv_sec;
}
