// TextKit: starting programs (posix_spawnp, never a shell) and the environment.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "foundation/gbk_codec.h"
#include "foundation/text_kit.h"

extern char** environ;

namespace qm {
namespace {

// Waits for pid; false when it cannot be waited for.
bool wait_for_exit(pid_t pid) {
    int status = 0;
    for (;;) {
        if (waitpid(pid, &status, 0) == pid) return true;
        if (errno != EINTR) return false;
    }
}

// True when pid has ended (and has been reaped).
bool has_exited(pid_t pid) {
    int status = 0;
    pid_t r;
    do {
        r = waitpid(pid, &status, WNOHANG);
    } while (r < 0 && errno == EINTR);
    return r == pid || r < 0;
}

}  // namespace

bool launch_program(const std::vector<std::string>& argv, bool wait) {
    if (argv.empty() || argv[0].empty()) return false;
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    pid_t pid = 0;
    if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return false;
    if (wait) {
        wait_for_exit(pid);
        return true;
    }
    // There is no "ready for input" on this platform: give the program up to a second,
    // returning early when it has already finished.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(1000);
    while (std::chrono::steady_clock::now() < deadline) {
        if (has_exited(pid)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (has_exited(pid)) return true;
    // Still running: reap it when it ends, so it does not linger as a zombie.
    std::thread([pid] { wait_for_exit(pid); }).detach();
    return true;
}

Text get_env(const Text& name) {
    if (name.empty() || name.find('=') != Text::npos) return {};
    const char* value = std::getenv(native_path(name).c_str());
    if (value == nullptr) return {};
    return text_path(value);
}

}  // namespace qm
