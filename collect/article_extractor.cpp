#include "collect/article_extractor.h"

#include <boost/regex.hpp>

#include "collect/article_pool.h"
#include "collect/http_client.h"

namespace qm {
namespace {

constexpr int kArticleTimeoutSeconds = 5;
constexpr int kMinTitleBytes = 20;
constexpr int kMinBodyBytes = 201;

const Text kTitleStart = "<title>";
const Text kTitleEnd = "-\xCB\xD1\xBA\xFC";  // -搜狐
const Text kFullWidthColon = "\xA3\xBA";     // ：
const Text kMediaMarker = "media_span_url('http";
const Text kBodyStart = "<div itemprop=\"articleBody\">";
const Text kScriptEnd = "<SCRIPT";
// <!-- seo标签描述 --> and the carriage return after it
const Text kSeoEnd = "<!-- seo\xB1\xEA\xC7\xA9\xC3\xE8\xCA\xF6 -->\r";
const Text kLowerBlockPattern = "<s.*?>.*?<\\/s.*?>";
const Text kUpperBlockPattern = "<S.*?>.*?<\\/S.*?>";
const Text kLogPrefix = "\xB2\xC9\xBC\xAF\xC4\xDA\xC8\xDD";  // 采集内容

}  // namespace

Text deletePatternMatches(const Text& text, const Text& pattern) {
    try {
        // mod_s: the dot matches every character, CR and LF included. The subject is
        // matched byte by byte: the patterns' markup characters never occur as the
        // trail byte of a GBK character.
        const boost::regex expression(pattern, boost::regex::perl | boost::regex::mod_s);
        return boost::regex_replace(text, expression, "");
    } catch (const std::exception&) {
        // An invalid pattern, or a subject too complex to match within the library's
        // limits: nothing trustworthy is left to return.
        return {};
    }
}

ArticleParts parseArticlePage(const Text& page) {
    Text title = text_between(page, kTitleStart, kTitleEnd);
    title = replace_text(title, ":", "");
    title = replace_text(title, kFullWidthColon, "");
    if (byte_length(title) < kMinTitleBytes) return {};

    const bool mediaLayout = find_text(page, kMediaMarker, 1, true) != -1;
    Text body = text_between(page, kBodyStart, mediaLayout ? kScriptEnd : kSeoEnd, 1, true);
    body = deletePatternMatches(body, kLowerBlockPattern);
    body = deletePatternMatches(body, kUpperBlockPattern);
    if (byte_length(body) < kMinBodyBytes) return {};
    return {std::move(title), std::move(body)};
}

Text extractArticle(CollectContext& ctx, const Text& address, int number) {
    HttpRequestParams request;
    request.url = address;
    request.timeoutSeconds = kArticleTimeoutSeconds;
    request.stop = ctx.stop;
    const Text page = to_text(httpRequest(request));
    if (ctx.stop.stop_requested()) return {};

    ArticleParts article = parseArticlePage(page);
    if (article.title.empty()) return {};
    // Counted and logged only once the file exists, so the count never includes an
    // article that readers of the pool cannot find.
    if (!writePoolArticle(ctx.runDirectory, article.title, article.body)) return {};
    ++ctx.collectedCount;
    ctx.log.append_log(kLogPrefix + to_text(number) + kFullWidthColon + article.title + "\r\n");
    return article.title;
}

}  // namespace qm
