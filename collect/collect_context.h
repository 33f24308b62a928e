// What a collection run needs from the run it belongs to. The task runner's run
// context owns every member; collection only borrows them for the call.
#pragma once

#include <atomic>
#include <stop_token>

#include "collect/article_queue.h"
#include "foundation/clock.h"
#include "foundation/run_log.h"

namespace qm {

struct CollectContext {
    RunLogPort& log;
    ArticleQueue& queue;
    std::atomic<int>& collectTarget;   // articles one pass must collect
    std::atomic<int>& collectedCount;  // articles written to the pool in this pass
    Text runDirectory;                 // GBK, no trailing separator
    Text portalUrl;                    // e.g. "http://news.sohu.com", no trailing "/"
    Clock& clock;
    std::stop_token stop;  // a requested stop ends the collection at once
};

}  // namespace qm
