// A soak run of the real TaskRunner in loop mode: news sites fed from the sample portal
// (a child process on loopback) and custom-article sites whose libraries are refilled
// between passes, pass after pass with a one-minute interval. Every wait goes through
// a clock that returns at once, except that the bench can park the worker in its
// countdown to take a sample, refill the libraries, restart it through the watchdog
// (two ticks over an unchanged log) or Stop and Start it, or let it run on to a Stop in
// the middle of its collection or of its page writing. The portal serves its reject
// pages too, and is down for three passes in every twenty.
//
// Every few passes it records the resident memory, the open descriptors, the threads,
// zombie children, the files in the pool and in one custom library, temporary files left in the
// site folders and the pool, and the size of the site databases; at the end a table and the growth
// per pass (least squares over the samples after the first).
//
//   build-soak/bench/soak_bench [passes] [sample every]      (defaults 60 and 5)
#include <dirent.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/run_context.h"
#include "engine/site_profile.h"
#include "engine/task_runner.h"
#include "foundation/clock.h"
#include "foundation/gbk_codec.h"
#include "foundation/run_log.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int kNewsSites = 10;
constexpr int kCustomSites = 2;
constexpr int kPerSite = 5;

// The log as the window keeps it: the current text only, plus the count of countdown
// lines (one per finished pass).
class SoakLog : public qm::RunLogPort {
  public:
    void append_log(const qm::Text& text) override {
        std::lock_guard lock(mutex_);
        text_ += text;
        if (text.rfind(countdown_, 0) == 0) ++passes_;
        if (triggerLeft_ > 0 && text.rfind(trigger_, 0) == 0 && --triggerLeft_ == 0)
            fired_.notify_all();
    }
    // Arms a trigger that fires on the nth line starting with prefix (GBK).
    void armTrigger(const qm::Text& prefix, int nth) {
        std::lock_guard lock(mutex_);
        trigger_ = prefix;
        triggerLeft_ = nth;
    }
    bool waitTrigger(std::chrono::seconds limit) {
        std::unique_lock lock(mutex_);
        return fired_.wait_for(lock, limit, [&] { return triggerLeft_ == 0; });
    }
    void clear_log() override {
        std::lock_guard lock(mutex_);
        text_.clear();
        text_.shrink_to_fit();
    }
    qm::Text read_log() override {
        std::lock_guard lock(mutex_);
        return text_;
    }
    void show_prompt(const qm::Text&) override {}
    int show_message(const qm::Text&, int, const qm::Text&) override { return qm::kMbResultOk; }
    int passes() {
        std::lock_guard lock(mutex_);
        return passes_;
    }

  private:
    std::mutex mutex_;
    std::condition_variable fired_;
    qm::Text trigger_;
    int triggerLeft_ = 0;
    qm::Text text_;
    const qm::Text countdown_ = qm::utf8_to_gbk("循环倒计时：");
    int passes_ = 0;
};

// Waits return at once; once the log has counted `parkAt` passes, the next wait parks
// until release() or its stop.
class SoakClock : public qm::Clock {
  public:
    explicit SoakClock(SoakLog& log) : log_(log) {}
    std::int64_t now_ms() override { return now_.load(); }
    qm::WaitResult wait_for(std::chrono::milliseconds d, std::stop_token stop) override {
        now_ += d.count();
        std::unique_lock lock(mutex_);
        if (parkAt_ > 0 && log_.passes() >= parkAt_) {
            parkAt_ = 0;
            parked_ = true;
            ++parks_;
            released_ = false;
            cv_.notify_all();
            cv_.wait(lock, stop, [&] { return released_; });
            parked_ = false;
        }
        return stop.stop_requested() ? qm::WaitResult::Stopped : qm::WaitResult::Elapsed;
    }
    // Returns the number of parks so far, for waitParked.
    int parkAt(int passes) {
        std::lock_guard lock(mutex_);
        parkAt_ = passes;
        return parks_;
    }
    // Waits for a park after the `seen` ones.
    bool waitParked(int seen, std::chrono::seconds limit) {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, limit, [&] { return parks_ > seen && parked_; });
    }
    void release() {
        std::lock_guard lock(mutex_);
        released_ = true;
        cv_.notify_all();
    }

  private:
    SoakLog& log_;
    std::atomic<std::int64_t> now_{0};
    std::mutex mutex_;
    std::condition_variable_any cv_;
    int parkAt_ = 0;
    bool parked_ = false;
    bool released_ = false;
    int parks_ = 0;
};

// The sample portal as a child on a given loopback port (0: a free one), with its
// reject articles, so that collection also meets pages it cannot extract. Ending it
// and starting it again on the same port makes an outage.
class Portal {
  public:
    explicit Portal(int port) {
        const std::string program = std::string(QUILLMOOR_BUILD_DIR) + "/tools/sample_portal";
        const std::string portText = std::to_string(port);
        const char* argv[] = {program.c_str(), "--port", portText.c_str(),
                              "--articles",    "2000",   nullptr};
        int out[2];
        if (::pipe(out) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, const_cast<char**>(argv),
                        environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        FILE* output = ::fdopen(out[0], "r");
        char line[128] = {};
        if (pid_ > 0 && output && std::fgets(line, sizeof line, output))
            std::sscanf(line, "listening on %d", &port_);
        if (output) std::fclose(output);
    }
    ~Portal() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    Portal(const Portal&) = delete;
    Portal& operator=(const Portal&) = delete;
    int port() const { return port_; }

  private:
    pid_t pid_ = -1;
    int port_ = 0;
};

void writeFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string siteName(int i) {
    return (i <= kNewsSites ? "news" + std::to_string(i) : "own" + std::to_string(i)) + ".soak";
}

fs::path libraryOf(const fs::path& root, int i) {
    return root / "lib" / siteName(i);
}

bool prepareRunDir(const fs::path& root) {
    const fs::path run = root / "run";
    const fs::path www = root / "www";
    const fs::path shipped = fs::path(QUILLMOOR_BUILD_DIR) / "模板" / "默认";
    std::error_code ec;
    fs::create_directories(run / "数据库" / "list");
    fs::create_directories(run / "模板");
    fs::copy(shipped, run / "模板" / "t1", fs::copy_options::recursive, ec);
    if (ec) return false;
    const fs::path empty = fs::path(QUILLMOOR_BUILD_DIR) / "数据库" / "pak" / "bak.mdb";
    for (int i = 1; i <= kNewsSites + kCustomSites; ++i) {
        qm::SiteSettings s;
        s.domain = siteName(i);
        s.ip = "127.0.0.1";
        s.installFolder = www.string();
        s.templateName = "t1";
        s.title = "Soak";
        s.keywords = "k1,k2";
        s.description = "Soak sites";
        s.columns = qm::utf8_to_gbk("新闻,体育,财经");
        s.internalLinks = true;
        s.keywordLinks = true;
        s.generateCount = std::to_string(kPerSite);
        s.news = i <= kNewsSites;
        if (!s.news) {
            s.customFolder = libraryOf(root, i).string();
            fs::create_directories(libraryOf(root, i));
        }
        if (!qm::writeProfile(run.string(), s)) return false;
        fs::copy_file(empty, run / "数据库" / (s.domain + ".mdb"), ec);
        if (ec) return false;
        fs::create_directories(www / s.domain / "html");
        fs::create_directories(www / s.domain / "list");
    }
    return true;
}

// Tops every custom library up to kPerSite article files.
void refillLibraries(const fs::path& root, int pass) {
    for (int i = kNewsSites + 1; i <= kNewsSites + kCustomSites; ++i) {
        for (int k = 0; k < kPerSite; ++k) {
            const std::string title = "own" + std::to_string(pass) + "-" + std::to_string(k);
            std::string body;
            for (int p = 0; p < 20; ++p) body += qm::utf8_to_gbk("本地文章的一段正文。") + "\r\n";
            writeFile(libraryOf(root, i) / (title + ".txt"), body);
        }
    }
}

long countEntries(const fs::path& dir) {
    long n = 0;
    std::error_code ec;
    for (auto it = fs::directory_iterator(dir, ec); !ec && it != fs::directory_iterator();
         it.increment(ec))
        ++n;
    return n;
}

long openFds() {
    // The iterator's own descriptor is one of them.
    return countEntries("/proc/self/fd") - 1;
}

long residentKiB() {
    long size = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &size, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

// Children of this process that ended and were not reaped.
long zombieChildren() {
    long n = 0;
    const pid_t self = ::getpid();
    std::error_code ec;
    for (auto it = fs::directory_iterator("/proc", ec); !ec && it != fs::directory_iterator();
         it.increment(ec)) {
        std::ifstream stat(it->path() / "stat");
        std::string line;
        if (!std::getline(stat, line)) continue;
        const auto close = line.rfind(')');
        if (close == std::string::npos) continue;
        char state = 0;
        int ppid = 0;
        if (std::sscanf(line.c_str() + close + 1, " %c %d", &state, &ppid) == 2 && ppid == self &&
            state == 'Z')
            ++n;
    }
    return n;
}

// Temporary files of the whole-file writer and SQLite journals left anywhere below.
long leftovers(const fs::path& dir) {
    long n = 0;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dir, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.find(".tmp") != std::string::npos || name.ends_with("-journal") ||
            name.ends_with("-wal"))
            ++n;
    }
    return n;
}

struct Sample {
    int pass;
    long rssKiB, fds, threads, zombies, poolFiles, libraryFiles, temps, dbKiB, pages;
};

Sample sample(const fs::path& root, int pass) {
    Sample s{pass,
             residentKiB(),
             openFds(),
             countEntries("/proc/self/task"),
             zombieChildren(),
             countEntries(root / "run" / "临时文章库"),
             countEntries(root / "lib" / siteName(kNewsSites + 1)),
             leftovers(root),
             0,
             0};
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(root / "run" / "数据库", ec))
        if (e.is_regular_file()) s.dbKiB += static_cast<long>(e.file_size() / 1024);
    for (int i = 1; i <= kNewsSites + kCustomSites; ++i)
        s.pages += countEntries(root / "www" / siteName(i) / "html");
    return s;
}

// Least-squares slope of y over the pass numbers.
double slope(const std::vector<Sample>& v, long Sample::*field) {
    double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const Sample& s : v) {
        const double x = s.pass, y = static_cast<double>(s.*field);
        n += 1, sx += x, sy += y, sxx += x * x, sxy += x * y;
    }
    const double d = n * sxx - sx * sx;
    return d == 0 ? 0 : (n * sxy - sx * sy) / d;
}

}  // namespace

int main(int argc, char** argv) {
    const int passes = argc > 1 ? std::atoi(argv[1]) : 60;
    const int every = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    ::signal(SIGPIPE, SIG_IGN);

    auto portal = std::make_unique<Portal>(0);
    const int port = portal->port();
    if (port <= 0) {
        std::fprintf(stderr, "sample_portal did not start (build the sample_portal target)\n");
        return 1;
    }
    std::string rootText = (fs::temp_directory_path() / "qm-soak-XXXXXX").string();
    if (::mkdtemp(rootText.data()) == nullptr || !prepareRunDir(rootText)) {
        std::fprintf(stderr, "cannot prepare the run directory\n");
        return 1;
    }
    const fs::path root = rootText;
    std::vector<Sample> samples;
    int restarts = 0, stopStarts = 0, midStops = 0;
    long tempsAfterStop = 0;
    bool stalled = false;
    {
        SoakLog log;
        SoakClock clock(log);
        qm::RecordingRunControls controls;
        qm::RunContext run(
            log, controls, clock,
            {(root / "run").string(), "http://127.0.0.1:" + std::to_string(port), "1"});
        run.siteList().setRowCount(kNewsSites + kCustomSites);
        for (int i = 1; i <= kNewsSites + kCustomSites; ++i)
            run.siteList().setCell(i - 1, 1, siteName(i));
        qm::TaskRunner runner(run);

        refillLibraries(root, 0);
        samples.push_back(sample(root, 0));
        runner.startWork();
        const auto began = std::chrono::steady_clock::now();
        for (int pass = 1; pass <= passes; ++pass) {
            const int seen = clock.parkAt(log.passes() + 1);
            if (!clock.waitParked(seen, std::chrono::seconds(120))) {
                std::fprintf(stderr, "the worker did not reach pass %d's countdown\n", pass);
                stalled = true;
                break;
            }
            if (pass % every == 0) samples.push_back(sample(root, pass));
            refillLibraries(root, pass);
            // Passes 14 to 16 of every 20 find the portal down.
            if (pass % 20 == 13) portal.reset();
            if (pass % 20 == 16) {
                portal = std::make_unique<Portal>(port);
                if (portal->port() != port) {
                    std::fprintf(stderr, "the portal did not come back on port %d\n", port);
                    stalled = true;
                    clock.release();
                    break;
                }
            }
            if (pass % 10 == 3 && run.timerIntervalMs() != qm::kTimerStopped) {
                // Two ticks over the parked (unchanged) log restart the worker.
                for (int t = 0; t < 3 && runner.state() != qm::RunState::RestartedLoop; ++t)
                    runner.watchdogTick();
                if (runner.state() == qm::RunState::RestartedLoop) ++restarts;
            } else if (pass % 10 == 7) {
                runner.stopWork();
                runner.startWork();
                ++stopStarts;
            } else if (pass % 10 == 9) {
                // A Stop in the middle of the next pass: alternately while it collects
                // and while it writes pages.
                if (pass % 20 == 9)
                    log.armTrigger(qm::utf8_to_gbk("开始采集新闻内容"), 1);
                else
                    log.armTrigger(qm::utf8_to_gbk("生成"), 5 + (pass * 7) % 50);
                clock.release();
                if (!log.waitTrigger(std::chrono::seconds(120))) {
                    std::fprintf(stderr, "pass %d never reached its stop point\n", pass + 1);
                    stalled = true;
                    break;
                }
                runner.stopWork();
                tempsAfterStop = std::max(tempsAfterStop, leftovers(root));
                runner.startWork();
                ++midStops;
            } else {
                clock.release();
            }
        }
        runner.stopWork();
        const double secs =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
        std::printf(
            "%d passes in %.1f s, %d watchdog restarts, %d stop/start cycles, %d stops "
            "mid-pass\n",
            log.passes(), secs, restarts, stopStarts, midStops);
    }
    samples.push_back(sample(root, samples.back().pass + 1));
    samples.back().pass = -1;  // after the runner and context are gone

    std::printf("%6s %9s %5s %8s %8s %6s %6s %6s %8s %7s\n", "pass", "rss_KiB", "fds", "threads",
                "zombies", "pool", "lib", "temps", "db_KiB", "pages");
    for (const Sample& s : samples)
        std::printf("%6s %9ld %5ld %8ld %8ld %6ld %6ld %6ld %8ld %7ld\n",
                    s.pass < 0 ? "end" : std::to_string(s.pass).c_str(), s.rssKiB, s.fds, s.threads,
                    s.zombies, s.poolFiles, s.libraryFiles, s.temps, s.dbKiB, s.pages);

    // Growth over the looping samples, the warm-up (first) and the final one left out.
    std::vector<Sample> loop(samples.begin() + (samples.size() > 3 ? 2 : 0), samples.end() - 1);
    const double rss = slope(loop, &Sample::rssKiB), fds = slope(loop, &Sample::fds),
                 threads = slope(loop, &Sample::threads), db = slope(loop, &Sample::dbKiB);
    long zombies = 0, temps = 0;
    for (const Sample& s : samples) zombies = std::max(zombies, s.zombies);
    for (const Sample& s : samples) temps = std::max(temps, s.temps);
    temps = std::max(temps, tempsAfterStop);
    const bool leak = stalled || fds > 0.05 || threads > 0.05 || zombies > 0 || temps > 0 ||
                      samples.back().fds > samples.front().fds ||
                      samples.back().threads > samples.front().threads;
    std::printf(
        "verdict: %s  growth per pass: rss %+.1f KiB, fds %+.3f, threads %+.3f, db %+.1f KiB; "
        "max zombies %ld, max temp files %ld (also right after the stops mid-pass)\n",
        leak ? "LEAK" : "steady", rss, fds, threads, db, zombies, temps);
    std::error_code ec;
    fs::remove_all(root, ec);
    return leak ? 1 : 0;
}
