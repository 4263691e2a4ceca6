// Time from launching a program to its window being mapped, and its memory at that moment,
// for mulo beside a bare Qt window, alternating the two. Run through bench/startup-speed.
//   startup_speed RUNS PROGRAM...

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>
#include <xcb/xcb.h>

extern char** environ;

namespace {

struct Sample {
    double milliseconds;
    long rssKiB;
};

long residentKiB(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    }
    return -1;
}

xcb_atom_t atom(xcb_connection_t* x, const char* name)
{
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(x, xcb_intern_atom(x, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return result;
}

// The process that owns a window, as the window says (_NET_WM_PID), or 0.
pid_t windowPid(xcb_connection_t* x, xcb_window_t window)
{
    static const xcb_atom_t netWmPid = atom(x, "_NET_WM_PID");
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        x, xcb_get_property(x, 0, window, netWmPid, XCB_ATOM_CARDINAL, 0, 1), nullptr);
    pid_t pid = 0;
    if (reply && xcb_get_property_value_length(reply) == 4)
        pid = pid_t(*static_cast<uint32_t*>(xcb_get_property_value(reply)));
    std::free(reply);
    return pid;
}

// Launches the program and waits for one of its top-level windows to be mapped.
bool measure(xcb_connection_t* x, const char* program, Sample& sample)
{
    while (xcb_generic_event_t* stale = xcb_poll_for_event(x))
        std::free(stale); // what earlier programs left behind
    char* argv[] = {const_cast<char*>(program), nullptr};
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, program, nullptr, nullptr, argv, environ) != 0)
        return false;
    bool mapped = false;
    pollfd fd{xcb_get_file_descriptor(x), POLLIN, 0};
    while (!mapped && std::chrono::steady_clock::now() - start < std::chrono::seconds(20)) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(x)) {
            if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY) {
                const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
                mapped = !map->override_redirect && windowPid(x, map->window) == pid;
            }
            std::free(event);
            if (mapped)
                break;
        }
        if (!mapped)
            poll(&fd, 1, 50);
    }
    sample.milliseconds =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    sample.rssKiB = residentKiB(pid);
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    return mapped;
}

template <typename T> T median(std::vector<T> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s RUNS PROGRAM...\n", argv[0]);
        return 2;
    }
    const int runs = std::atoi(argv[1]);
    xcb_connection_t* x = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(x)) {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(x);

    std::map<std::string, std::vector<Sample>> samples;
    for (int run = 0; run < runs; ++run) {
        for (int p = 2; p < argc; ++p) {
            Sample sample{};
            if (!measure(x, argv[p], sample)) {
                std::fprintf(stderr, "%s: no window within 20 s\n", argv[p]);
                return 1;
            }
            samples[argv[p]].push_back(sample);
        }
    }
    std::printf("%-40s %12s %12s   (medians of %d runs)\n", "program", "mapped ms", "RSS MiB",
                runs);
    for (int p = 2; p < argc; ++p) {
        std::vector<double> ms;
        std::vector<long> rss;
        for (const Sample& s : samples[argv[p]]) {
            ms.push_back(s.milliseconds);
            rss.push_back(s.rssKiB);
        }
        std::printf("%-40s %12.1f %12.1f\n", argv[p], median(ms), median(rss) / 1024.0);
    }
    xcb_disconnect(x);
    return 0;
}
