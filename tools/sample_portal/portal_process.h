// The shipped sample portal started as a child process on a free loopback port, for
// tests and benchmarks. The child is started with posix_spawn (no shell), its first
// output line "listening on <port>" gives the port, and the destructor ends it with
// SIGTERM and reaps it. port() is 0 when the program could not be started.
#pragma once

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

extern char** environ;

namespace qm::portal {

class PortalProcess {
  public:
    // program: the sample_portal executable; serves `articles` articles, and with
    // rejects false only pages that extract into the pool (--no-rejects).
    PortalProcess(const std::string& program, int articles, bool rejects = true) {
        const std::string count = std::to_string(articles);
        std::vector<const char*> argv = {program.c_str(), "--port", "0", "--articles",
                                         count.c_str()};
        if (!rejects) argv.push_back("--no-rejects");
        argv.push_back(nullptr);
        int out[2];
        if (::pipe(out) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, const_cast<char**>(argv.data()),
                        environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        output_ = ::fdopen(out[0], "r");
        char line[128] = {};
        if (pid_ > 0 && output_ && std::fgets(line, sizeof line, output_)) {
            std::sscanf(line, "listening on %d", &port_);
        }
    }
    ~PortalProcess() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            int status = 0;
            ::waitpid(pid_, &status, 0);
        }
        if (output_) std::fclose(output_);
    }
    PortalProcess(const PortalProcess&) = delete;
    PortalProcess& operator=(const PortalProcess&) = delete;

    int port() const { return port_; }

  private:
    pid_t pid_ = -1;
    FILE* output_ = nullptr;
    int port_ = 0;
};

}  // namespace qm::portal
