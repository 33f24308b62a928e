#include "portal_pages.h"

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "foundation/gbk_codec.h"

namespace qm::portal {
namespace {

// Word tables in UTF-8, turned into GBK once. Some words hold characters whose GBK
// trail byte looks like ASCII ("\" in 淺, "|" in 東, "@" in 園, "S" in 維, "s" in 縮).
constexpr std::array<std::string_view, 12> kCities = {
    "北京", "上海", "广州", "深圳", "杭州", "成都", "武汉", "西安", "南京", "重庆", "天津", "東園"};
constexpr std::array<std::string_view, 10> kTopics = {
    "科技创新", "交通建设", "教育改革", "医疗服务", "文化旅游",
    "农业生产", "环境保护", "金融市场", "體育維修", "社区治理"};
constexpr std::array<std::string_view, 6> kEvents = {"取得新进展", "迎来新机遇",   "发布新举措",
                                                     "召开座谈会", "启动试点工作", "公布年度数据"};
constexpr std::array<std::string_view, 6> kOpenings = {
    "记者从有关部门获悉", "据了解", "业内人士表示", "相关负责人介绍", "数据显示", "专家认为"};
constexpr std::array<std::string_view, 7> kMiddles = {"今年以来该领域整体运行平稳",
                                                      "多项措施已经落地见效",
                                                      "市民对此反响积极",
                                                      "相关工作正在有序推进",
                                                      "下一步将继续加大投入力度",
                                                      "各方合作不断深化",
                                                      "東園路淺灘一带的維修工程已縮短工期"};
constexpr std::array<std::string_view, 4> kEndings = {
    "预计全年目标能够顺利完成。", "未来发展空间依然广阔。", "群众获得感持续增强。",
    "有关情况将及时向社会公布。"};

Text gbk(std::string_view utf8) {
    return utf8_to_gbk(utf8);
}

// A small deterministic generator: the same article number always gives the same
// words.
class Words {
  public:
    explicit Words(int seed) : state_(static_cast<std::uint32_t>(seed) * 2654435761u + 1u) {}
    template <std::size_t N>
    Text pick(const std::array<std::string_view, N>& table) {
        state_ = state_ * 1103515245u + 12345u;
        return gbk(table[(state_ >> 16) % N]);
    }

  private:
    std::uint32_t state_;
};

bool isMediaLayout(int n) {
    return n % 3 == 0;
}
bool hasShortTitle(const PortalLayout& layout, int n) {
    return layout.rejects && n % 17 == 0;
}
bool hasShortBody(const PortalLayout& layout, int n) {
    return layout.rejects && n % 13 == 0;
}

Text sentence(Words& words) {
    return words.pick(kOpenings) + gbk("，") + words.pick(kCities) + words.pick(kTopics) +
           words.pick(kMiddles) + gbk("，") + words.pick(kEndings);
}

// One stretch of an article body: kept by the collector, or removed by its cleaning.
struct Piece {
    Text text;
    bool kept;
};

std::vector<Piece> bodyPieces(const PortalLayout& layout, int n) {
    Words words(n * 7 + 3);
    std::vector<Piece> pieces;
    pieces.push_back({"\r\n<p>", true});
    pieces.push_back({"<span class=\"source\">" + gbk("来源：样例通讯社") + "</span>", false});
    if (hasShortBody(layout, n)) {
        pieces.push_back({gbk("简讯。") + "</p>\r\n", true});
        pieces.push_back({"<style type=\"text/css\">\r\n.note { color: #333; }\r\n" +
                              Text(400, ' ') + "\r\n</style>",
                          false});
        return pieces;
    }
    pieces.push_back({sentence(words) + "</p>\r\n<p>" + sentence(words), true});
    pieces.push_back({"<strong>" + gbk("重点提示") + "</strong>", false});
    pieces.push_back({sentence(words) + "</p>\r\n", true});
    if (!isMediaLayout(n)) {
        // The media layout's body ends at its first script tag.
        pieces.push_back({"<script type=\"text/javascript\">\r\nvar shown = " + to_text(n) +
                              ";\r\nfunction note() { return shown; }\r\n</script>",
                          false});
    }
    pieces.push_back({"<STYLE>P.lead { font-weight: bold; }</STYLE>", false});
    pieces.push_back({"<p>" + sentence(words) + sentence(words) + "</p>\r\n", true});
    return pieces;
}

const Text kNotFoundPage = "<html><head><title>404</title></head><body>" +
                           utf8_to_gbk("页面不存在") + "</body></html>\r\n";

bool parseNumber(std::string_view digits, int& out) {
    if (digits.empty() || digits.size() > 9) return false;
    int value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    out = value;
    return true;
}

// The number between prefix and suffix of path, when path has that shape.
bool numberIn(std::string_view path, std::string_view prefix, std::string_view suffix, int& out) {
    if (path.size() <= prefix.size() + suffix.size()) return false;
    if (path.substr(0, prefix.size()) != prefix) return false;
    if (path.substr(path.size() - suffix.size()) != suffix) return false;
    return parseNumber(path.substr(prefix.size(), path.size() - prefix.size() - suffix.size()),
                       out);
}

}  // namespace

int pageCount(const PortalLayout& layout) {
    const int perPage = layout.perPage < 1 ? 1 : layout.perPage;
    const int articles = layout.articles < 0 ? 0 : layout.articles;
    return (articles + perPage - 1) / perPage + 1;
}

int lastArticle(const PortalLayout& layout) {
    return (pageCount(layout) - 1) * layout.perPage + layout.perPage;
}

std::vector<int> articlesOnPage(const PortalLayout& layout, int n) {
    std::vector<int> numbers;
    if (n < 1 || n > pageCount(layout)) return numbers;
    const int first = (n - 1) * layout.perPage + 1;
    int last = n * layout.perPage;
    if (n < pageCount(layout) && last > layout.articles) last = layout.articles;
    for (int id = last; id >= first; --id) numbers.push_back(id);  // newest first
    return numbers;
}

Text articlePath(int n) {
    return "/a/" + to_text(n) + ".shtml";
}
Text articleAddress(const Text& base, int n) {
    return base + articlePath(n);
}

Text pageTitle(const PortalLayout& layout, int n) {
    if (hasShortTitle(layout, n)) return gbk("快讯") + to_text(n);
    Words words(n);
    const Text colon = n % 2 == 0 ? gbk("：") : Text(":");
    return words.pick(kCities) + words.pick(kTopics) + colon + gbk("第") + to_text(n) + gbk("期") +
           words.pick(kEvents);
}

Text storedTitle(const PortalLayout& layout, int n) {
    Text title = pageTitle(layout, n);
    const Text fullWidthColon = gbk("：");
    for (std::size_t at; (at = title.find(fullWidthColon)) != Text::npos;) {
        title.erase(at, fullWidthColon.size());
    }
    for (std::size_t at; (at = title.find(':')) != Text::npos;) title.erase(at, 1);
    return title;
}

bool isStorable(const PortalLayout& layout, int n) {
    return n >= 1 && !hasShortTitle(layout, n) && !hasShortBody(layout, n);
}

Text storedBody(const PortalLayout& layout, int n) {
    Text body;
    for (const Piece& piece : bodyPieces(layout, n)) {
        if (piece.kept) body += piece.text;
    }
    return body;
}

Text articlePage(const PortalLayout& layout, int n) {
    if (n < 1) return {};
    Text page = "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<meta charset=\"gbk\">\r\n<title>" +
                pageTitle(layout, n) + gbk("-搜狐新闻") + "</title>\r\n</head>\r\n<body>\r\n" +
                "<div class=\"nav\"><a href=\"/news_flash.shtml\">" + gbk("滚动新闻") +
                "</a></div>\r\n<div class=\"article\">\r\n<div itemprop=\"articleBody\">";
    for (const Piece& piece : bodyPieces(layout, n)) page += piece.text;
    if (isMediaLayout(n)) {
        const Text tag = n % 2 == 0 ? "<SCRIPT" : "<script";
        page += tag + " type=\"text/javascript\">media_span_url('http://127.0.0.1/v/" + to_text(n) +
                ".mp4');</script>\r\n</div>\r\n";
        page += gbk("<!-- seo标签描述 -->") + "\r\n";
    } else {
        page += gbk("<!-- seo标签描述 -->") + "\r\n</div>\r\n";
    }
    page +=
        "<div class=\"footer\">" + gbk("版权所有 样例门户") + "</div>\r\n</body>\r\n</html>\r\n";
    return page;
}

Text listPage(const PortalLayout& layout, const Text& base, int n) {
    if (n < 1 || n > pageCount(layout)) return {};
    Text page =
        "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<meta charset=\"gbk\">\r\n<title>" +
        gbk("滚动新闻-搜狐") +
        "</title>\r\n<script type=\"text/javascript\">var maxPage = " + to_text(pageCount(layout)) +
        ";var currentPage = " + to_text(n) +
        ";</script>\r\n</head>\r\n<body>\r\n<div class=\"list\">\r\n";
    for (const int id : articlesOnPage(layout, n)) {
        page += "<div class='scroll_news'><a href='" + articleAddress(base, id) +
                "' class='news' target=_blank>" + pageTitle(layout, id) + "</a></div>\r\n";
    }
    page += "</div>\r\n</body>\r\n</html>\r\n";
    return page;
}

Text firstListPage(const PortalLayout& layout, const Text& base) {
    return listPage(layout, base, pageCount(layout));
}

PortalResponse respond(const PortalLayout& layout, const Text& base, const std::string& path) {
    int n = 0;
    if (path == "/news_flash.shtml") return {200, firstListPage(layout, base)};
    if (numberIn(path, "/news_flash_", ".shtml", n)) {
        Text page = listPage(layout, base, n);
        if (!page.empty()) return {200, std::move(page)};
    } else if (numberIn(path, "/a/", ".shtml", n) && n <= lastArticle(layout)) {
        Text page = articlePage(layout, n);
        if (!page.empty()) return {200, std::move(page)};
    }
    return {404, kNotFoundPage};
}

}  // namespace qm::portal
