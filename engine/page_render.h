// Page rendering: a site's template set turned into the article page of one stored
// article, the page of one column and the home page.
//
// Templates live at <run dir>/模板/<template name>/ (首页.htm, 栏目页.htm,
// 内容页.htm). A template declaring a UTF-8 charset is converted to GBK when loaded
// and the finished page is converted back to UTF-8 by RenderedPage::fileBytes, so a
// written page always matches its charset declaration.
//
// Rendering only produces text: the caller (the generation pass) decides which pages
// are built and writes them. Every input is passed in; nothing is read from globals
// except the random draws (seed_random before every random_int, as the pass does).
// A placeholder that a page kind does not handle stays in the page untouched.
//
// Loading and rendering are separate so that a caller can load a site's templates
// once per pass (loadTemplateSet) and render many pages from them. Functions are
// stateless and may be called from any thread; results depend on the random draws.
#pragma once

#include <memory>
#include <optional>

#include "engine/site_database.h"
#include "foundation/text_kit.h"

namespace qm {

// Template file names, GBK.
inline const Text kHomeTemplate = "\xCA\xD7\xD2\xB3\x2E\x68\x74\x6D";             // 首页.htm
inline const Text kColumnTemplate = "\xC0\xB8\xC4\xBF\xD2\xB3\x2E\x68\x74\x6D";   // 栏目页.htm
inline const Text kArticleTemplate = "\xC4\xDA\xC8\xDD\xD2\xB3\x2E\x68\x74\x6D";  // 内容页.htm

// The values a page is filled from, taken by the pass from the site profile.
struct SiteValues {
    Text runDir;        // where 模板/ lives
    Text domain;        // keyword links point at "http://" + domain
    Text templateName;  // line-1 position 3
    Text title;         // position 4
    Text keywords;      // position 5, "," separated, as stored
    Text description;   // position 6
    TextList columns;   // column names after the doubling rule (columnNames)

    bool longTail = false;       // 选择框1
    bool internalLinks = false;  // 选择框2
    bool keywordLinks = false;   // 插入关键词
    int longTailCount = 0;       // 长尾词调用数 (LT)
    int internalLinkCount = 0;   // 内链调用数
    int keywordLinkCount = 0;    // 插入关键词数
    TextList longTailWords;      // the site's long-tail word list, built once per site
};

// The column names of a column text: split at ","; a text without "," is doubled
// first ("新闻" gives 新闻, 新闻), so a site always has at least two columns.
TextList columnNames(const Text& columnText);

struct ParsedTemplate;  // the placeholder positions of a template (engine-internal)

// A loaded template: GBK text, and whether it declared a UTF-8 charset. parsed holds
// the template's placeholder positions, found once when it is loaded; a template
// built by hand without it is scanned at every render.
struct LoadedTemplate {
    Text text;
    bool utf8 = false;
    std::shared_ptr<const ParsedTemplate> parsed;
};

// A finished page: GBK text, and whether it must be written as UTF-8.
struct RenderedPage {
    Text text;
    bool utf8 = false;
    // The bytes to write: the text as it is, or converted to UTF-8.
    ByteArray fileBytes() const;
};

// <run dir>/模板/<template name>/<file name>
Text templatePath(const Text& runDir, const Text& templateName, const Text& fileName);

// Reads a template; nothing when the file does not exist. When the text between the
// first "charset=" (any case) and the next ">" holds "utf" exactly once (any case),
// the template is taken as UTF-8 and converted to GBK.
std::optional<LoadedTemplate> loadTemplate(const Text& runDir, const Text& templateName,
                                           const Text& fileName);
// The same rule applied to a template text already in memory.
LoadedTemplate decodeTemplate(const Text& fileText);

// The three templates of a site, each missing when its file does not exist.
struct TemplateSet {
    std::optional<LoadedTemplate> home;
    std::optional<LoadedTemplate> column;
    std::optional<LoadedTemplate> article;
};
TemplateSet loadTemplateSet(const Text& runDir, const Text& templateName);

// ---- steps shared by the page kinds ---------------------------------------------

// "<a href="/html/<id>.html"><title></a>" built from "<a href="/html/link.html">title</a>"
// by replacing "title" with the title, then every "link" (any case) with the id.
Text articleLink(const Text& title, const Text& id);

// Fills the "{网站栏目}" slots with column links, cycling through the columns.
void fillColumnLinks(Text& page, const TextList& columns);

// Which record each "{最新文章}" slot k (from 1) shows.
enum class LatestRows {
    AfterArticle,  // article page of row r: r + k, never the table's last record
    Newest,        // home page: k, never the table's last record
    Random,        // column page: a random record, any of them
};
// Fills "{最新文章}" slots from latest (with the times into "{发布时间}"); r is
// the article's row for AfterArticle.
void fillLatest(Text& page, const ResultTable& latest, LatestRows rule, int r = 0);
// Fills "{随机文章}" slots from random rows of random, then removes every
// "{发布时间}" left.
void fillRandom(Text& page, const ResultTable& random);
// Replaces "{长尾词}" with LT random words of the site's list joined by "," (when
// long-tail words are on and the list has two words or more), else removes it.
void longTailText(Text& page, const SiteValues& site);

// The body with internal links (from random) and keyword links inserted after the
// first "，" at or after random byte positions, as the site's options say.
Text enrichBody(const Text& body, const SiteValues& site, const ResultTable& random);

// ---- pages ------------------------------------------------------------------------

// The article page of row r of latest with the given body.
RenderedPage renderArticlePage(const LoadedTemplate& tpl, const SiteValues& site,
                               const ResultTable& latest, const ResultTable& random, int r,
                               const Text& body);
RenderedPage renderColumnPage(const LoadedTemplate& tpl, const SiteValues& site,
                              const ResultTable& latest, const ResultTable& random, int c);
RenderedPage renderHomePage(const LoadedTemplate& tpl, const SiteValues& site,
                            const ResultTable& latest, const ResultTable& random);

// The same, loading the template from the site's template set; nothing when the
// template file is missing.
std::optional<RenderedPage> renderArticlePage(const SiteValues& site, const ResultTable& latest,
                                              const ResultTable& random, int r, const Text& body);
std::optional<RenderedPage> renderColumnPage(const SiteValues& site, const ResultTable& latest,
                                             const ResultTable& random, int c);
std::optional<RenderedPage> renderHomePage(const SiteValues& site, const ResultTable& latest,
                                           const ResultTable& random);

}  // namespace qm
