#include "support/ClockStep.h"

#include <dlfcn.h>
#include <fstream>
#include <iterator>
#include <stdlib.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {
using AddFn = void (*)(long long);

AddFn shimAdd()
{
    return reinterpret_cast<AddFn>(dlsym(RTLD_DEFAULT, "clockstep_add"));
}

// Runs before main(): without the shim, the process replaces itself by the same command
// with the shim preloaded. Sanitizer runtimes then no longer come first in the list.
void preloadShim()
{
    if (shimAdd() || getenv("CLOCKSTEP_REEXEC"))
        return;
    std::ifstream cmdline("/proc/self/cmdline", std::ios::binary);
    const std::string all((std::istreambuf_iterator<char>(cmdline)), {});
    std::vector<std::string> words;
    for (size_t begin = 0; begin < all.size();) {
        const size_t end = all.find('\0', begin);
        words.push_back(all.substr(begin, end - begin));
        begin = end == std::string::npos ? all.size() : end + 1;
    }
    std::vector<char *> args;
    for (std::string &word : words)
        args.push_back(&word[0]);
    args.push_back(nullptr);
    std::string preload = CLOCKSTEP_SHIM;
    if (const char *existing = getenv("LD_PRELOAD"))
        preload += std::string(":") + existing;
    setenv("LD_PRELOAD", preload.c_str(), 1);
    setenv("CLOCKSTEP_REEXEC", "1", 1);
    std::string asan = "verify_asan_link_order=0";
    if (const char *existing = getenv("ASAN_OPTIONS"))
        asan = std::string(existing) + ":" + asan;
    setenv("ASAN_OPTIONS", asan.c_str(), 1);
    execv("/proc/self/exe", args.data());
}

const bool kPreloaded = (preloadShim(), true);
} // namespace

bool ClockStep::active()
{
    (void)kPreloaded;
    return shimAdd() != nullptr;
}

void ClockStep::step(double seconds)
{
    if (AddFn add = shimAdd())
        add(static_cast<long long>(seconds * 1e9));
}
