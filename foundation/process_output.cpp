#include "foundation/process_output.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>

extern char** environ;

namespace qm {

namespace {

// Owns a posix_spawn_file_actions_t for the duration of one launch.
class FileActions {
  public:
    FileActions() { ok_ = posix_spawn_file_actions_init(&actions_) == 0; }
    ~FileActions() {
        if (ok_) posix_spawn_file_actions_destroy(&actions_);
    }
    FileActions(const FileActions&) = delete;
    FileActions& operator=(const FileActions&) = delete;

    bool redirectStdout(const std::string& path) {
        return ok_ && posix_spawn_file_actions_addopen(&actions_, 1, path.c_str(),
                                                       O_WRONLY | O_CREAT | O_TRUNC, 0644) == 0;
    }
    const posix_spawn_file_actions_t* get() const { return &actions_; }

  private:
    posix_spawn_file_actions_t actions_{};
    bool ok_ = false;
};

int waitForExit(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

}  // namespace

int launch_program_to_file(const std::vector<std::string>& argv, const std::string& out_path) {
    if (argv.empty() || argv[0].empty() || out_path.empty()) return -1;
    FileActions actions;
    if (!actions.redirectStdout(out_path)) return -1;

    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    pid_t pid = 0;
    const bool searchPath = argv[0].find('/') == std::string::npos;
    const int rc = searchPath
                       ? posix_spawnp(&pid, args[0], actions.get(), nullptr, args.data(), environ)
                       : posix_spawn(&pid, args[0], actions.get(), nullptr, args.data(), environ);
    if (rc != 0) return -1;
    return waitForExit(pid);
}

}  // namespace qm
