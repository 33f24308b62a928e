#include "app/headless_runner.h"

#include <pthread.h>
#include <signal.h>

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <thread>

#include "app/headless_log.h"
#include "engine/gbk_literals.h"
#include "engine/run_context.h"
#include "engine/site_list.h"
#include "engine/task_runner.h"
#include "engine/watchdog.h"
#include "foundation/gbk_codec.h"

namespace qm {
namespace {

bool startsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

// A number of minutes as the interval box would read it: an optional sign and at
// least one digit at the start.
bool looksLikeMinutes(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    return i < text.size() && text[i] >= '0' && text[i] <= '9';
}

std::string withoutTrailingSlashes(std::string text) {
    while (text.size() > 1 && text.back() == '/') text.pop_back();
    return text;
}

// Waits for SIGINT or SIGTERM (blocked in every thread) and hands it to onSignal;
// ends when stop is requested.
void waitForSignals(std::stop_token stop, const std::function<void()>& onSignal) {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    const timespec poll{0, 200 * 1000 * 1000};
    while (!stop.stop_requested()) {
        if (sigtimedwait(&set, nullptr, &poll) > 0) {
            onSignal();
            return;
        }
    }
}

}  // namespace

bool wantsHeadless(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--headless") == 0) return true;
    return false;
}

void printHeadlessUsage(std::FILE* out) {
    std::fputs(
        "usage: quillmoor --headless [--run-dir DIR] [--portal URL] [--interval MINUTES]\n"
        "  --run-dir DIR       run directory (default: the executable's folder)\n"
        "  --portal URL        news portal base address (default: http://news.sohu.com)\n"
        "  --interval MINUTES  loop interval; 0 or less performs a single run (default: 60)\n",
        out);
}

std::optional<HeadlessOptions> parseHeadlessOptions(int argc, char** argv, std::string& error) {
    HeadlessOptions options;
    if (const char* dir = std::getenv("QUILLMOOR_RUN_DIR"); dir && *dir) options.runDir = dir;
    if (const char* portal = std::getenv("QUILLMOOR_PORTAL"); portal && *portal)
        options.portal = portal;
    else
        options.portal = gbk_to_utf8(kDefaultPortalUrl);

    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--headless") continue;
        std::string* target = nullptr;
        if (arg == "--run-dir")
            target = &options.runDir;
        else if (arg == "--portal")
            target = &options.portal;
        else if (arg == "--interval")
            target = &options.interval;
        if (!target) {
            error = "unknown argument: " + arg;
            return std::nullopt;
        }
        if (i + 1 >= argc) {
            error = arg + " needs a value";
            return std::nullopt;
        }
        *target = argv[++i];
    }

    if (options.runDir.empty()) options.runDir = gbk_to_utf8(run_directory());
    std::error_code ec;
    const std::filesystem::path dir = std::filesystem::absolute(options.runDir, ec);
    if (ec || !std::filesystem::is_directory(dir, ec)) {
        error = "run directory does not exist: " + options.runDir;
        return std::nullopt;
    }
    options.runDir = withoutTrailingSlashes(dir.lexically_normal().string());
    options.portal = withoutTrailingSlashes(options.portal);
    if (!startsWith(options.portal, "http://") && !startsWith(options.portal, "https://")) {
        error = "portal must be an http:// or https:// address: " + options.portal;
        return std::nullopt;
    }
    if (!looksLikeMinutes(options.interval)) {
        error = "interval must be a number of minutes: " + options.interval;
        return std::nullopt;
    }
    return options;
}

int runHeadless(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            printHeadlessUsage(stdout);
            return kExitOk;
        }
    }
    // Dates follow the operator's locale for the 12- or 24-hour clock, as in the window
    // (Qt sets the locale there); numbers and texts stay locale-independent.
    std::setlocale(LC_TIME, "");
    std::string error;
    const std::optional<HeadlessOptions> options = parseHeadlessOptions(argc, argv, error);
    if (!options) {
        std::fprintf(stderr, "quillmoor: %s\n", error.c_str());
        return kExitUsage;
    }

    // Signals are taken by one thread only; block them before any thread starts so
    // every thread inherits the mask.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    // Code that asks for the run directory itself finds the same one.
    setenv("QUILLMOOR_RUN_DIR", options->runDir.c_str(), 1);

    HeadlessLog log(stdout, stderr);
    RecordingRunControls controls;
    RunContext run(log, controls, system_clock(),
                   {utf8_to_gbk(options->runDir), utf8_to_gbk(options->portal),
                    utf8_to_gbk(options->interval)});
    refreshSiteList(run.siteList(), run.runDir());

    TaskRunner runner(run);
    {
        WatchdogTimer timer(run, [&runner] { runner.watchdogTick(); });
        run.setTimerListener([&timer](int ms) { timer.intervalChanged(ms); });
        {
            std::jthread signalThread([&runner](std::stop_token stop) {
                waitForSignals(stop, [&runner] { runner.stopButtonClicked(); });
            });
            runner.startWork();
            runner.waitUntilIdle({});
            signalThread.request_stop();
        }  // the signal thread has ended: nothing calls the runner from outside now
        run.setTimerListener({});
    }
    std::fflush(stdout);
    return kExitOk;
}

}  // namespace qm
