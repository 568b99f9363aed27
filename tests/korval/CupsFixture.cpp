#include "CupsFixture.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <cups/cups.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr const char *kBackendScheme = "korvaltest";
constexpr const char *kRootPrefix = "korval-cups-"; // /tmp/korval-cups-<pid>-XXXXXX
constexpr int kStartTimeoutMs = 10000;
constexpr int kStopTimeoutMs = 5000;

// Copies the job file (or standard input) to the folder named by its device URI, under a
// temporary name first so that a reader never sees half a job.
constexpr const char *kBackendScript = R"(#!/bin/sh
if [ $# -eq 0 ]; then
  echo 'direct korvaltest "Unknown" "Job capture for tests"'
  exit 0
fi
dir="${DEVICE_URI#korvaltest:}"
out="$dir/job-$1.prn"
if [ $# -ge 6 ]; then cat "$6" > "$out.part"; else cat > "$out.part"; fi || exit 1
mv "$out.part" "$out"
)";

std::string findProgram(const std::string &name)
{
    if (name.find('/') != std::string::npos)
        return name;
    for (const char *dir : {"/usr/sbin", "/usr/bin", "/sbin", "/bin"}) {
        const std::string path = std::string(dir) + "/" + name;
        if (access(path.c_str(), X_OK) == 0)
            return path;
    }
    return name;
}

bool writeFile(const std::string &path, const std::string &text, mode_t mode = 0644)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    return out.good() && chmod(path.c_str(), mode) == 0;
}

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Folders left behind by test processes that died before they could clean up (a crash,
// a kill); the scheduler of such a folder died with its process.
void removeStaleRoots()
{
    std::error_code error;
    for (const auto &entry : fs::directory_iterator("/tmp", error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(kRootPrefix, 0) != 0)
            continue;
        const pid_t owner = pid_t(std::atol(name.c_str() + std::strlen(kRootPrefix)));
        if (owner > 0 && owner != getpid() && kill(owner, 0) != 0 && errno == ESRCH) {
            std::error_code ignored;
            fs::remove_all(entry.path(), ignored);
        }
    }
}

std::string makeTempRoot()
{
    std::string pattern = "/tmp/" + std::string(kRootPrefix) + std::to_string(getpid()) + "-XXXXXX";
    if (!mkdtemp(pattern.data()))
        return std::string();
    chmod(pattern.c_str(), 0755); // the scheduler's unprivileged helpers walk through it
    return pattern;
}

bool canConnect(const std::string &path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_un addr = {};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

// Runs argv with stdout and stderr appended to logPath; the exit status, or -1.
int runProcess(const std::vector<std::string> &argv, const std::string &logPath)
{
    std::vector<char *> args;
    for (const std::string &arg : argv)
        args.push_back(const_cast<char *>(arg.c_str()));
    args.push_back(nullptr);
    const std::string program = findProgram(argv.front());
    const pid_t child = fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        const int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (log >= 0) {
            dup2(log, STDOUT_FILENO);
            dup2(log, STDERR_FILENO);
        }
        execv(program.c_str(), args.data());
        _exit(127);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int jobIdOf(const fs::path &file)
{
    const std::string name = file.filename().string();
    if (name.rfind("job-", 0) != 0 || file.extension() != ".prn")
        return -1;
    return std::atoi(name.c_str() + 4);
}

} // namespace

CupsFixture::~CupsFixture()
{
    stop();
}

bool CupsFixture::writeConfiguration()
{
    for (const char *dir :
         {"spool", "spool/tmp", "cache", "state", "log", "bin", "bin/backend", "out"})
        fs::create_directories(rootDir + "/" + dir);
    for (const char *dir : {"filter", "daemon", "driver", "notifier", "monitor"}) {
        const std::string system = std::string("/usr/lib/cups/") + dir;
        if (fs::exists(system))
            fs::create_directory_symlink(system, rootDir + "/bin/" + dir);
    }
    const std::string policy = "  Order deny,allow\n  Allow all\n";
    std::ostringstream conf;
    conf << "Listen " << socket << "\n"
         << "Browsing No\nWebInterface No\nDefaultAuthType None\nLogLevel warn\n"
         << "<Location />\n"
         << policy << "</Location>\n"
         << "<Location /admin>\n"
         << policy << "</Location>\n"
         << "<Policy default>\n"
         << "  JobPrivateAccess all\n  JobPrivateValues none\n"
         << "  SubscriptionPrivateAccess all\n  SubscriptionPrivateValues none\n"
         << "  <Limit All>\n"
         << policy << "  </Limit>\n</Policy>\n";
    std::ostringstream files;
    files << "FileDevice Yes\nSystemGroup root\n"
          << "ServerRoot " << rootDir << "\n"
          << "RequestRoot " << rootDir << "/spool\n"
          << "TempDir " << rootDir << "/spool/tmp\n"
          << "CacheDir " << rootDir << "/cache\n"
          << "StateDir " << rootDir << "/state\n"
          << "ServerBin " << rootDir << "/bin\n"
          << "AccessLog " << rootDir << "/log/access_log\n"
          << "ErrorLog " << rootDir << "/log/error_log\n"
          << "PageLog " << rootDir << "/log/page_log\n";
    // A backend runs as root only when nobody else may read or change it.
    return writeFile(rootDir + "/cupsd.conf", conf.str()) &&
           writeFile(rootDir + "/cups-files.conf", files.str()) &&
           writeFile(rootDir + "/bin/backend/" + kBackendScheme, kBackendScript, 0700);
}

bool CupsFixture::start()
{
    stop();
    removeStaleRoots();
    rootDir = makeTempRoot();
    if (rootDir.empty()) {
        lastError = "cannot create a temporary folder";
        return false;
    }
    socket = rootDir + "/cups.sock";
    if (!writeConfiguration()) {
        lastError = "cannot write the scheduler's configuration";
        return false;
    }
    const std::string cupsd = findProgram("cupsd");
    const std::string conf = rootDir + "/cupsd.conf";
    const std::string files = rootDir + "/cups-files.conf";
    const std::string log = rootDir + "/log/cupsd.out";
    const pid_t parent = getpid();
    pid = fork();
    if (pid < 0) {
        lastError = "fork failed";
        return false;
    }
    if (pid == 0) {
        // The scheduler must not outlive a test binary that crashes.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            _exit(1);
        const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (out >= 0) {
            dup2(out, STDOUT_FILENO);
            dup2(out, STDERR_FILENO);
        }
        execl(cupsd.c_str(), "cupsd", "-f", "-c", conf.c_str(), "-s", files.c_str(),
              static_cast<char *>(nullptr));
        _exit(127);
    }
    if (!waitUntilReady()) {
        stop();
        return false;
    }
    pointClientsHere();
    return true;
}

bool CupsFixture::waitUntilReady()
{
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            pid = -1;
            lastError = "cupsd exited: " + readFile(rootDir + "/log/cupsd.out") + errorLog();
            return false;
        }
        if (canConnect(socket))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    lastError = "cupsd did not start listening on " + socket;
    return false;
}

void CupsFixture::pointClientsHere()
{
    const char *previous = std::getenv("CUPS_SERVER");
    hadServerEnv = previous != nullptr;
    savedServerEnv = previous ? previous : "";
    setenv("CUPS_SERVER", socket.c_str(), 1);
    cupsSetServer(socket.c_str());
}

void CupsFixture::restoreClients()
{
    if (hadServerEnv)
        setenv("CUPS_SERVER", savedServerEnv.c_str(), 1);
    else
        unsetenv("CUPS_SERVER");
    hadServerEnv = false;
    cupsSetServer(nullptr);
}

void CupsFixture::stop()
{
    if (pid > 0) {
        restoreClients();
        kill(pid, SIGTERM);
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(kStopTimeoutMs);
        int status = 0;
        while (waitpid(pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                kill(pid, SIGKILL);
                waitpid(pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        pid = -1;
    }
    if (!rootDir.empty()) {
        std::error_code ignored;
        fs::remove_all(rootDir, ignored);
        rootDir.clear();
    }
}

std::string CupsFixture::outputDir(const std::string &queue) const
{
    return rootDir + "/out/" + queue;
}

bool CupsFixture::addRawQueue(const std::string &queue, const std::vector<std::string> &lpadminArgs)
{
    std::error_code ignored;
    fs::create_directories(outputDir(queue), ignored);
    std::vector<std::string> argv = {"lpadmin", "-p", queue, "-v",
                                     std::string(kBackendScheme) + ":" + outputDir(queue)};
    argv.insert(argv.end(), lpadminArgs.begin(), lpadminArgs.end());
    argv.push_back("-E");
    if (!runTool(argv)) {
        lastError = "lpadmin failed for " + queue;
        return false;
    }
    return true;
}

bool CupsFixture::runTool(const std::vector<std::string> &argv)
{
    return !argv.empty() && runProcess(argv, rootDir + "/log/tools.log") == 0;
}

bool CupsFixture::waitForJobs(const std::string &queue, size_t count, int timeoutMs) const
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (deliveredJobs(queue).size() >= count)
            return true;
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

std::vector<std::string> CupsFixture::deliveredJobs(const std::string &queue) const
{
    std::vector<std::pair<int, std::string>> found;
    std::error_code error;
    for (const auto &entry : fs::directory_iterator(outputDir(queue), error)) {
        const int id = jobIdOf(entry.path());
        if (id > 0)
            found.emplace_back(id, entry.path().string());
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> data;
    for (const auto &job : found)
        data.push_back(readFile(job.second));
    return data;
}

std::vector<CupsFixture::Job> CupsFixture::jobs(const std::string &queue) const
{
    cups_job_t *list = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &list, queue.c_str(), 0, CUPS_WHICHJOBS_ALL);
    std::vector<Job> result;
    for (int i = 0; i < count; ++i) {
        Job job;
        job.id = list[i].id;
        job.title = list[i].title ? list[i].title : "";
        job.format = list[i].format ? list[i].format : "";
        job.state = int(list[i].state);
        result.push_back(job);
    }
    cupsFreeJobs(count, list);
    std::sort(result.begin(), result.end(), [](const Job &a, const Job &b) { return a.id < b.id; });
    return result;
}

std::string CupsFixture::errorLog() const
{
    return readFile(rootDir + "/log/error_log");
}
