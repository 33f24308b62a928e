// Collection speed: one pass of 300 articles from the sample portal on loopback
// (started as a child process), reported as articles per second, with the peak
// resident memory of the process. The pass's fixed pauses (the pool reset waits) go
// through a fake clock, so the figure is the cost of fetching, cleaning and writing.
//
//   build/bench/collect_bench
#include <benchmark/benchmark.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <string>

#include "collect/article_queue.h"
#include "collect/collect_context.h"
#include "collect/link_collector.h"
#include "foundation/clock.h"
#include "foundation/run_log.h"

extern char** environ;

namespace {

constexpr int kArticles = 300;

class PortalProcess {
  public:
    PortalProcess() {
        const std::string program = std::string(QUILLMOOR_BUILD_DIR) + "/tools/sample_portal";
        int out[2];
        if (::pipe(out) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        const char* argv[] = {program.c_str(), "--port",       "0",    "--articles",
                              "400",           "--no-rejects", nullptr};
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, const_cast<char**>(argv),
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

void collectArticles(benchmark::State& state) {
    PortalProcess portal;
    if (portal.port() <= 0) {
        state.SkipWithError("sample_portal did not start (build the sample_portal target)");
        return;
    }
    std::string runDir = (std::filesystem::temp_directory_path() / "qm-bench-XXXXXX").string();
    if (::mkdtemp(runDir.data()) == nullptr) {
        state.SkipWithError("no temporary folder");
        return;
    }
    qm::RecordingRunLog log;
    qm::ArticleQueue queue;
    std::atomic<int> target{kArticles};
    std::atomic<int> collected{0};
    qm::FakeClock clock;
    std::stop_source stop;
    qm::CollectContext ctx{log,    queue,
                           target, collected,
                           runDir, "http://127.0.0.1:" + std::to_string(portal.port()),
                           clock,  stop.get_token()};
    long long total = 0;
    for (auto _ : state) {
        collected = 0;
        qm::collectNews(ctx);
        total += collected.load();
        if (collected.load() != kArticles) state.SkipWithError("the pass stored too few articles");
    }
    std::error_code ignored;
    std::filesystem::remove_all(runDir, ignored);

    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    state.SetItemsProcessed(total);
    state.counters["peak_rss_kb"] = static_cast<double>(usage.ru_maxrss);
    state.counters["articles_per_pass"] = kArticles;
}

}  // namespace

BENCHMARK(collectArticles)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK_MAIN();
