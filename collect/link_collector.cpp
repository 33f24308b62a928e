#include "collect/link_collector.h"

#include <chrono>
#include <map>

#include "collect/article_extractor.h"
#include "collect/article_pool.h"
#include "collect/http_client.h"
#include "foundation/regex_object.h"

namespace qm {
namespace {

using std::chrono::milliseconds;

constexpr int kListTimeoutSeconds = 10;
constexpr int kMinLinksPerPage = 11;
constexpr int kLowestListPage = 1;

const Text kLinkPattern =
    "<div class='scroll_news'><a href='(.*?)' class='news' target=_blank>(.*?)</a></div>";
const Text kMaxPageStart = "var maxPage = ";
const Text kMaxPageEnd = ";";

// Log lines, GBK.
const Text kLogCollectLinks =
    "\xBF\xAA\xCA\xBC\xB2\xC9\xBC\xAF\xC1\xB4\xBD\xD3\r\n";  // 开始采集链接
const Text kLogLinksFound = "\xB2\xC9\xBC\xAF\xB5\xBD\xC1\xB4\xBD\xD3\xA3\xBA";  // 采集到链接：
const Text kLogCollectArticles =
    "\xBF\xAA\xCA\xBC\xB2\xC9\xBC\xAF\xD0\xC2\xCE\xC5\xC4\xDA\xC8\xDD\r\n";  // 开始采集新闻内容
const Text kLogDone = "\xB2\xC9\xBC\xAF\xCD\xEA\xB3\xC9\r\n";                // 采集完成

Text fetchText(const Text& url, const std::stop_token& stop) {
    HttpRequestParams request;
    request.url = url;
    request.timeoutSeconds = kListTimeoutSeconds;
    request.stop = stop;
    return to_text(httpRequest(request));
}

Text withoutTrailingSlash(Text url) {
    while (!url.empty() && url.back() == '/') url.pop_back();
    return url;
}

// Removes the pool of an earlier pass and creates it empty. False when stopped.
bool resetPool(CollectContext& ctx) {
    const Text folder = poolFolder(ctx.runDirectory);
    remove_directory(folder);
    if (ctx.clock.wait_for(milliseconds(200), ctx.stop) == WaitResult::Stopped) return false;
    make_directory(folder);
    return ctx.clock.wait_for(milliseconds(50), ctx.stop) != WaitResult::Stopped;
}

// Walks the list pages from the newest down to page 1 until the queue lists the
// target. False when stopped.
bool gatherLinks(CollectContext& ctx) {
    const Text firstPage = fetchText(firstListPageUrl(ctx.portalUrl), ctx.stop);
    if (ctx.stop.stop_requested()) return false;
    const long long maxPage = to_int(text_between(firstPage, kMaxPageStart, kMaxPageEnd));
    // Page numbers below 1 do not exist: a portal that is down or has changed its
    // layout ends the walk instead of sending it on for ever.
    for (long long page = maxPage - 1; page >= kLowestListPage; --page) {
        if (ctx.queue.rowCount() >= ctx.collectTarget.load()) break;
        const Text listPage =
            fetchText(listPageUrl(ctx.portalUrl, static_cast<int>(page)), ctx.stop);
        if (ctx.stop.stop_requested()) return false;
        parseListPage(ctx.queue, listPage);
    }
    return true;
}

// Extracts articles from the listed links until the target is stored. Keeps, for
// every pool file written, the real title it was written for. False when stopped.
bool extractArticles(CollectContext& ctx, std::map<Text, Text>& titleOfFile) {
    const int links = ctx.queue.rowCount();
    for (int i = 1; i <= links; ++i) {
        const Text title = extractArticle(ctx, ctx.queue.cell(i - 1, 2), i);
        if (ctx.stop.stop_requested()) return false;
        if (!title.empty()) titleOfFile[poolFileName(title)] = title;
        if (ctx.collectedCount.load() >= ctx.collectTarget.load()) break;
    }
    return true;
}

// Refills the queue with the titles of the pool's articles, in the order the folder
// lists them: at most collectTarget rows, all of them with a target of 0.
void handOverTitles(CollectContext& ctx, const std::map<Text, Text>& titleOfFile) {
    ctx.queue.clear();
    const int target = ctx.collectTarget.load();
    for (const Text& name : list_files(poolFolder(ctx.runDirectory), "*.txt", false)) {
        const auto known = titleOfFile.find(name);
        const Text title = known != titleOfFile.end() ? known->second : replace_text(name, ".txt");
        ArticleRow row;
        row.cells[1] = title;
        const int number = ctx.queue.addRow(std::move(row)) + 1;
        if (number == target) break;
    }
}

}  // namespace

Text firstListPageUrl(const Text& portalUrl) {
    return withoutTrailingSlash(portalUrl) + "/news_flash.shtml";
}

Text listPageUrl(const Text& portalUrl, int n) {
    return withoutTrailingSlash(portalUrl) + "/news_flash_" + to_text(n) + ".shtml";
}

void parseListPage(ArticleQueue& queue, const Text& page) {
    RegexObject links;
    links.create(kLinkPattern, page, /*caseSensitive=*/false, /*multiline=*/false,
                 /*global=*/true, /*quoteEscape=*/true);
    const int count = links.matchCount();
    if (count < kMinLinksPerPage) return;
    for (int m = 1; m <= count; ++m) {
        ArticleRow row;
        row.cells[2] = links.submatchText(m, 1);
        row.cells[1] = links.submatchText(m, 2);
        const int index = queue.addRow(std::move(row));
        queue.setCell(index, 0, to_text(index + 1));
    }
}

void collectNews(CollectContext& ctx) {
    if (ctx.stop.stop_requested()) return;
    ctx.log.append_log(kLogCollectLinks);
    ctx.queue.clear();
    if (!resetPool(ctx)) return;
    if (!gatherLinks(ctx)) return;
    ctx.log.append_log(kLogLinksFound + to_text(ctx.queue.rowCount()) + "\r\n");

    std::map<Text, Text> titleOfFile;
    if (ctx.queue.rowCount() > 0) {
        ctx.log.append_log(kLogCollectArticles);
        if (!extractArticles(ctx, titleOfFile)) return;
    }
    handOverTitles(ctx, titleOfFile);
    ctx.log.append_log(kLogDone);
}

}  // namespace qm
