// A whole news pass at scale: 100 news sites wanting 20 articles each collect 2000
// articles from the sample portal on loopback (started as a child process) and the
// generation pass stores them and rebuilds every site's pages. Every wait of the pass
// (the second per site, the 10 ms per article, the pool reset) goes through a fake
// clock, so the figures are the work itself: the time of the collection and of the
// generation, and the peak resident memory of the process.
//
//   build/bench/pass_bench
#include <benchmark/benchmark.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "collect/link_collector.h"
#include "engine/generation_pass.h"
#include "engine/run_context.h"
#include "engine/site_profile.h"
#include "foundation/clock.h"
#include "foundation/gbk_codec.h"
#include "foundation/run_log.h"
#include "tools/sample_portal/portal_process.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int kSites = 100;
constexpr int kPerSite = 20;

void writeFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A run directory with kSites news sites: the shipped template set (or a small one
// when none is built), a copy of the shipped empty database per site, site folders.
bool prepareRunDir(const fs::path& root) {
    const fs::path run = root / "run";
    const fs::path www = root / "www";
    const fs::path shipped = fs::path(QUILLMOOR_BUILD_DIR) / "模板" / "默认";
    const fs::path templates = run / "模板" / "t1";
    std::error_code ec;
    fs::create_directories(run / "数据库" / "list");
    fs::create_directories(templates.parent_path());
    if (fs::is_directory(shipped)) {
        fs::copy(shipped, templates, fs::copy_options::recursive, ec);
        if (ec) return false;
    } else {
        writeFile(templates / "首页.htm",
                  qm::utf8_to_gbk("{网站标题}{网站栏目}{最新文章}{随机文章}"));
        writeFile(templates / "栏目页.htm", qm::utf8_to_gbk("{当前栏目}{最新文章}{随机文章}"));
        writeFile(templates / "内容页.htm",
                  qm::utf8_to_gbk("{文章标题}{文章内容}{最新文章}{随机文章}{发布时间}"));
    }
    const fs::path empty = fs::path(QUILLMOOR_BUILD_DIR) / "数据库" / "pak" / "bak.mdb";
    for (int i = 1; i <= kSites; ++i) {
        qm::SiteSettings s;
        s.domain = "site" + std::to_string(i) + ".bench";
        s.ip = "127.0.0.1";
        s.installFolder = www.string();
        s.templateName = "t1";
        s.title = "T";
        s.keywords = "k1,k2";
        s.description = "D";
        s.columns = qm::utf8_to_gbk("新闻,体育,财经");
        s.internalLinks = true;
        s.keywordLinks = true;
        s.generateCount = std::to_string(kPerSite);
        if (!qm::writeProfile(run.string(), s)) return false;
        fs::copy_file(empty, run / "数据库" / (s.domain + ".mdb"), ec);
        if (ec) return false;
        fs::create_directories(www / s.domain / "html");
        fs::create_directories(www / s.domain / "list");
    }
    return true;
}

double seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

void newsPass(benchmark::State& state) {
    qm::portal::PortalProcess portal(std::string(QUILLMOOR_BUILD_DIR) + "/tools/sample_portal",
                                     kSites * kPerSite + 200, false);
    if (portal.port() <= 0) {
        state.SkipWithError("sample_portal did not start (build the sample_portal target)");
        return;
    }
    double collectTime = 0;
    double generateTime = 0;
    int pages = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::string root = (fs::temp_directory_path() / "qm-pass-bench-XXXXXX").string();
        if (::mkdtemp(root.data()) == nullptr || !prepareRunDir(root)) {
            state.SkipWithError("cannot prepare the run directory");
            return;
        }
        qm::RecordingRunLog log;
        qm::RecordingRunControls controls;
        qm::FakeClock clock;
        qm::RunContext run(log, controls, clock,
                           {(fs::path(root) / "run").string(),
                            "http://127.0.0.1:" + std::to_string(portal.port()), "0"});
        run.siteList().setRowCount(kSites);
        for (int i = 1; i <= kSites; ++i)
            run.siteList().setCell(i - 1, 1, "site" + std::to_string(i) + ".bench");
        run.collectTarget = kSites * kPerSite;
        qm::WorkerScope scope{run, log, {}};
        qm::CollectContext ctx{log,
                               run.articleQueue(),
                               run.collectTarget,
                               run.collectedCount,
                               run.runDir(),
                               run.portalUrl(),
                               clock,
                               {}};
        state.ResumeTiming();

        const auto start = std::chrono::steady_clock::now();
        qm::collectNews(ctx);
        const auto collected = std::chrono::steady_clock::now();
        qm::runGenerationPass(scope, qm::GenerationMode::News);
        const auto generated = std::chrono::steady_clock::now();

        state.PauseTiming();
        collectTime += seconds(collected - start);
        generateTime += seconds(generated - collected);
        if (run.collectedCount.load() != kSites * kPerSite)
            state.SkipWithError("the collection stored too few articles");
        pages = 0;
        for (const qm::Text& line : log.appended())
            if (line.rfind(qm::utf8_to_gbk("生成"), 0) == 0) ++pages;
        std::error_code ignored;
        fs::remove_all(root, ignored);
        state.ResumeTiming();
    }
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const double n = static_cast<double>(state.iterations());
    state.counters["collect_s"] = collectTime / n;
    state.counters["generate_s"] = generateTime / n;
    state.counters["pages"] = pages;
    state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

}  // namespace

BENCHMARK(newsPass)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(2);
BENCHMARK_MAIN();
