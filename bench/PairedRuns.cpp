// Times two commands run alternately, pair after pair, so that whatever else the machine is
// doing weighs on both alike; prints the medians, their ratio and the load average.
//
//   norvelle_paired_runs [--pairs N] [--mapped] [--stdout FILE] -- COMMAND... -- REFERENCE...
//
// --mapped: the time until the command's first top-level window is mapped on $DISPLAY, after
// which the command is ended (start-up of a window program); otherwise until it exits.
// --stdout: standard output of both goes to FILE (default /dev/null).
// Peak RSS is the largest of the runs (getrusage of the child).

#include <X11/Xlib.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Run {
    double ms = 0;
    long maxRssKiB = 0;
};

struct Options {
    int pairs = 10;
    bool mapped = false;
    std::string out = "/dev/null";
    std::vector<char*> command, reference;
};

double loadAverage() {
    std::ifstream in("/proc/loadavg");
    double one = 0;
    in >> one;
    return one;
}

pid_t start(const std::vector<char*>& argv, const std::string& out) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) ::dup2(fd, 1);
        std::vector<char*> args = argv;
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        std::perror(args[0]);
        ::_exit(127);
    }
    return pid;
}

// Waits for the first top-level window that is mapped; the display watches the root window
// before the program starts, so no map is missed.
void waitMapped(Display* display) {
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MapNotify && !event.xmap.override_redirect) return;
    }
}

Run runOnce(const std::vector<char*>& argv, const Options& o, Display* display) {
    const auto begin = Clock::now();
    const pid_t pid = start(argv, o.out);
    int status = 0;
    struct rusage usage {};
    if (o.mapped) {
        waitMapped(display);
        const auto end = Clock::now();
        ::kill(pid, SIGKILL);
        ::wait4(pid, &status, 0, &usage);
        return {std::chrono::duration<double, std::milli>(end - begin).count(), usage.ru_maxrss};
    }
    ::wait4(pid, &status, 0, &usage);
    const auto end = Clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "paired_runs: %s failed (status %d)\n", argv[0], status);
        std::exit(1);
    }
    return {std::chrono::duration<double, std::milli>(end - begin).count(), usage.ru_maxrss};
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

Options parse(int argc, char** argv) {
    Options o;
    int i = 1;
    for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (!std::strcmp(argv[i], "--pairs") && i + 1 < argc) o.pairs = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--mapped")) o.mapped = true;
        else if (!std::strcmp(argv[i], "--stdout") && i + 1 < argc) o.out = argv[++i];
    }
    for (++i; i < argc && std::strcmp(argv[i], "--") != 0; ++i) o.command.push_back(argv[i]);
    for (++i; i < argc; ++i) o.reference.push_back(argv[i]);
    if (o.command.empty() || o.reference.empty() || o.pairs < 1) {
        std::fprintf(stderr, "usage: %s [--pairs N] [--mapped] [--stdout FILE] -- COMMAND... "
                             "-- REFERENCE...\n", argv[0]);
        std::exit(2);
    }
    return o;
}

}  // namespace

int main(int argc, char** argv) {
    const Options o = parse(argc, argv);
    Display* display = nullptr;
    if (o.mapped) {
        display = XOpenDisplay(nullptr);
        if (!display) {
            std::fprintf(stderr, "paired_runs: no X display\n");
            return 1;
        }
        XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
        XSync(display, True);
    }
    std::vector<double> a, b, load;
    long rssA = 0, rssB = 0;
    // One pair of each first, not counted: caches and the X server warm up.
    runOnce(o.command, o, display);
    runOnce(o.reference, o, display);
    for (int i = 0; i < o.pairs; ++i) {
        load.push_back(loadAverage());
        const Run x = runOnce(o.command, o, display);
        const Run y = runOnce(o.reference, o, display);
        a.push_back(x.ms);
        b.push_back(y.ms);
        rssA = std::max(rssA, x.maxRssKiB);
        rssB = std::max(rssB, y.maxRssKiB);
    }
    const double ma = median(a), mb = median(b);
    std::printf("pairs %d  load %.2f-%.2f\n", o.pairs, *std::min_element(load.begin(), load.end()),
                *std::max_element(load.begin(), load.end()));
    std::printf("command    median %8.2f ms  peak RSS %7.1f MiB  %s\n", ma, rssA / 1024.0,
                o.command[0]);
    std::printf("reference  median %8.2f ms  peak RSS %7.1f MiB  %s\n", mb, rssB / 1024.0,
                o.reference[0]);
    std::printf("ratio      %.2f\n", ma / mb);
    if (display) XCloseDisplay(display);
    return 0;
}
