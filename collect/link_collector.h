// NewsCollector: one collection run of a task pass.
//
// collectNews empties the ArticleQueue and the article pool, walks the portal's list
// pages (ctx.portalUrl + "/news_flash.shtml" for the page count, then
// "/news_flash_<n>.shtml" from the newest page down to page 1) until the queue lists
// ctx.collectTarget links, extracts articles from the links until ctx.collectedCount
// reaches the target, and refills the queue with the titles of the stored articles
// (column 1; at most collectTarget rows, every article with a target of 0). Progress
// goes to ctx.log.
//
// A stop requested on ctx.stop ends the run promptly, wherever it is; no pool file is
// left half-written. Every wait goes through ctx.clock.
//
// Runs on the task worker; the context is borrowed for the call.
#pragma once

#include "collect/article_queue.h"
#include "collect/collect_context.h"
#include "foundation/text_kit.h"

namespace qm {

void collectNews(CollectContext& ctx);

// Appends the links of one list page to the queue: column 0 the row's 1-based number,
// column 1 the link title, column 2 the address. A page of 10 links or fewer adds
// nothing.
void parseListPage(ArticleQueue& queue, const Text& page);

// The addresses of the portal's first list page and of its list page n.
Text firstListPageUrl(const Text& portalUrl);
Text listPageUrl(const Text& portalUrl, int n);

}  // namespace qm
