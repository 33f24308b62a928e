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
#include "tools/sample_portal/portal_process.h"

extern char** environ;

namespace {

constexpr int kArticles = 300;

void collectArticles(benchmark::State& state) {
    qm::portal::PortalProcess portal(std::string(QUILLMOOR_BUILD_DIR) + "/tools/sample_portal", 400,
                                     false);
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
