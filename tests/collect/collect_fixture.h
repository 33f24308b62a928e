// Shared pieces of the collection tests: a temporary run directory, a collection
// context over recording fakes, and the sample portal served in-process.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <filesystem>
#include <stop_token>
#include <string>
#include <vector>

#include "collect/article_pool.h"
#include "collect/collect_context.h"
#include "foundation/clock.h"
#include "foundation/run_log.h"
#include "portal_pages.h"
#include "test_server.h"

namespace qm::testing {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempRunDirectory {
  public:
    TempRunDirectory() {
        std::string templ = (std::filesystem::temp_directory_path() / "qm-collect-XXXXXX").string();
        if (::mkdtemp(templ.data()) != nullptr) path_ = templ;
    }
    ~TempRunDirectory() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    TempRunDirectory(const TempRunDirectory&) = delete;
    TempRunDirectory& operator=(const TempRunDirectory&) = delete;

    const std::string& path() const { return path_; }

    // Every file below the run directory, as UTF-8 paths.
    std::vector<std::filesystem::path> allFiles() const {
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(path_)) {
            if (!entry.is_directory()) files.push_back(entry.path());
        }
        return files;
    }
    // Files anywhere but directly inside the pool folder.
    std::vector<std::filesystem::path> filesOutsidePool() const {
        const std::filesystem::path pool = native_path(poolFolder(path_));
        std::vector<std::filesystem::path> outside;
        for (const auto& file : allFiles()) {
            if (file.parent_path() != pool) outside.push_back(file);
        }
        return outside;
    }

  private:
    std::string path_;
};

// A collection context over a recording log, a fake clock and a temporary run dir.
class CollectFixture : public ::testing::Test {
  protected:
    CollectContext context(const Text& portalUrl) {
        return CollectContext{log,           queue,     target, collected,
                              runDir.path(), portalUrl, clock,  stop.get_token()};
    }
    bool makePool() { return make_directory(poolFolder(runDir.path())); }
    Text joinedLog() { return log.read_log(); }

    RecordingRunLog log;
    ArticleQueue queue;
    std::atomic<int> target{0};
    std::atomic<int> collected{0};
    FakeClock clock;
    std::stop_source stop;
    TempRunDirectory runDir;
};

// The sample portal's pages served by a loopback server; list pages link to the
// server's own address.
inline LoopbackServer::Handler portalHandler(const portal::PortalLayout& layout) {
    return [layout](const ReceivedRequest& request) {
        const Text base = "http://" + request.header("Host");
        const portal::PortalResponse page = portal::respond(layout, base, request.target);
        return Reply::page(page.body, page.status);
    };
}

}  // namespace qm::testing
