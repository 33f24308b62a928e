// The headless front end: runs the task engine without a window, for servers and for
// the end-to-end tests.
//
//     quillmoor --headless [--run-dir DIR] [--portal URL] [--interval MINUTES]
//
// The site list is the profile folder's listing (as the window's grid is filled),
// the interval is what the interval box would hold (default "60"; 0 or less gives a
// single run). Run-log lines go to standard output as UTF-8, one line each; prompts
// and messages go to standard error and never wait. A single run exits 0 after
// "任务完成"; SIGINT or SIGTERM stops the run, prints "已经停止" and exits 0; bad
// arguments or a missing run directory print one line and exit 2.
//
// runHeadless owns every thread it starts and returns only after they have ended.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

namespace qm {

inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 2;

struct HeadlessOptions {
    std::string runDir;  // UTF-8, absolute, no trailing "/"
    std::string portal;  // no trailing "/"
    std::string interval = "60";
};

// True when the arguments ask for the headless runner.
bool wantsHeadless(int argc, char** argv);

// The options of a headless command line, or nothing with error naming the problem.
// Defaults: the run directory from QUILLMOOR_RUN_DIR or the executable's folder, the
// portal from QUILLMOOR_PORTAL or the built-in address.
std::optional<HeadlessOptions> parseHeadlessOptions(int argc, char** argv, std::string& error);

void printHeadlessUsage(std::FILE* out);

// Runs the engine headless; returns the exit status.
int runHeadless(int argc, char** argv);

}  // namespace qm
