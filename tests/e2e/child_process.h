// A child process for the end-to-end tests: started with posix_spawn (no shell), its
// standard output and error read through pipes, ended by a signal or awaited.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

extern char** environ;

namespace qm::e2e {

class Child {
  public:
    explicit Child(const std::vector<std::string>& argv) {
        int out[2], err[2];
        if (pipe2(out, O_CLOEXEC) != 0) return;
        if (pipe2(err, O_CLOEXEC) != 0) {
            close(out[0]);
            close(out[1]);
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        if (posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        close(err[1]);
        outFd_ = out[0];
        errFd_ = err[0];
    }
    ~Child() {
        if (pid_ > 0 && !reaped_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (outFd_ >= 0) close(outFd_);
        if (errFd_ >= 0) close(errFd_);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool started() const { return pid_ > 0; }
    void signal(int sig) { kill(pid_, sig); }

    // Reads until text has appeared on standard output (true), or the child closed it
    // or the safety limit passed (false): a broken run must fail, not hang.
    bool waitForOutput(const std::string& text,
                       std::chrono::seconds limit = std::chrono::seconds(120)) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (out_.find(text) == std::string::npos) {
            if (std::chrono::steady_clock::now() > end || !pump()) return false;
        }
        return true;
    }

    // Reads everything until the child closes both streams; its exit status, or -1
    // when it did not exit normally.
    int wait() {
        while (pump()) {
        }
        int status = 0;
        waitpid(pid_, &status, 0);
        reaped_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    const std::string& out() const { return out_; }
    const std::string& err() const { return err_; }

  private:
    // One poll of both pipes; false once both are closed.
    bool pump() {
        if (outFd_ < 0 && errFd_ < 0) return false;
        pollfd fds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
        if (poll(fds, 2, 200) <= 0) return true;
        drain(fds[0], outFd_, out_);
        drain(fds[1], errFd_, err_);
        return outFd_ >= 0 || errFd_ >= 0;
    }
    static void drain(const pollfd& p, int& fd, std::string& text) {
        if (fd < 0 || !(p.revents & (POLLIN | POLLHUP | POLLERR))) return;
        char buffer[4096];
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got > 0) {
            text.append(buffer, static_cast<std::size_t>(got));
        } else {
            close(fd);
            fd = -1;
        }
    }

    pid_t pid_ = -1;
    bool reaped_ = false;
    int outFd_ = -1;
    int errFd_ = -1;
    std::string out_;
    std::string err_;
};

}  // namespace qm::e2e
