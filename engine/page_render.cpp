// The three page kinds: article, column and home page.
#include "engine/page_render.h"

#include "engine/page_text.h"

namespace qm {

namespace {

const ParsedTemplate& parsedOf(const LoadedTemplate& tpl, ParsedTemplate& scratch) {
    if (tpl.parsed) return *tpl.parsed;
    scratch = parseTemplate(tpl.text);
    return scratch;
}

Text columnName(const SiteValues& site, int number) {
    if (number < 1 || number > static_cast<int>(site.columns.size())) return Text();
    return site.columns[static_cast<std::size_t>(number - 1)];
}

}  // namespace

RenderedPage renderArticlePage(const LoadedTemplate& tpl, const SiteValues& site,
                               const ResultTable& latest, const ResultTable& random, int r,
                               const Text& body) {
    const Text& title = latest.cell(r, kPosTitle);
    const Text& time = latest.cell(r, kPosTime);
    const int column = to_int(latest.cell(r, kPosColumn));
    Text enriched = enrichBody(body, site, random);

    ParsedTemplate scratch;
    PageText page(parsedOf(tpl, scratch));
    page.replaceAll(Slot::SiteTitle, site.title);
    page.replaceAll(Slot::ArticleTitle, title);
    page.replaceAll(Slot::ArticleBody, std::move(enriched));
    page.replaceAll(Slot::CurrentColumn, columnName(site, column));
    page.replaceAll(Slot::ArticleTime, time);
    fillColumnLinks(page, site.columns);
    fillLatest(page, latest, LatestRows::AfterArticle, r);
    fillRandom(page, random);
    longTailText(page, site);
    return {page.str(), tpl.utf8};
}

RenderedPage renderColumnPage(const LoadedTemplate& tpl, const SiteValues& site,
                              const ResultTable& latest, const ResultTable& random, int c) {
    ParsedTemplate scratch;
    PageText page(parsedOf(tpl, scratch));
    page.replaceAll(Slot::SiteTitle, site.title);
    page.replaceAll(Slot::CurrentColumn, columnName(site, c));
    fillColumnLinks(page, site.columns);
    fillLatest(page, latest, LatestRows::Random, 0);
    fillRandom(page, random);
    page.replaceAll(Slot::LongTail, Text());
    return {page.str(), tpl.utf8};
}

RenderedPage renderHomePage(const LoadedTemplate& tpl, const SiteValues& site,
                            const ResultTable& latest, const ResultTable& random) {
    ParsedTemplate scratch;
    PageText page(parsedOf(tpl, scratch));
    page.replaceAll(Slot::SiteTitle, site.title);
    page.replaceAll(Slot::SiteKeywords, site.keywords);
    page.replaceAll(Slot::SiteDescription, site.description);
    fillColumnLinks(page, site.columns);
    fillLatest(page, latest, LatestRows::Newest, 0);
    fillRandom(page, random);
    longTailText(page, site);
    return {page.str(), tpl.utf8};
}

std::optional<RenderedPage> renderArticlePage(const SiteValues& site, const ResultTable& latest,
                                              const ResultTable& random, int r, const Text& body) {
    const auto tpl = loadTemplate(site.runDir, site.templateName, kArticleTemplate);
    if (!tpl) return std::nullopt;
    return renderArticlePage(*tpl, site, latest, random, r, body);
}

std::optional<RenderedPage> renderColumnPage(const SiteValues& site, const ResultTable& latest,
                                             const ResultTable& random, int c) {
    const auto tpl = loadTemplate(site.runDir, site.templateName, kColumnTemplate);
    if (!tpl) return std::nullopt;
    return renderColumnPage(*tpl, site, latest, random, c);
}

std::optional<RenderedPage> renderHomePage(const SiteValues& site, const ResultTable& latest,
                                           const ResultTable& random) {
    const auto tpl = loadTemplate(site.runDir, site.templateName, kHomeTemplate);
    if (!tpl) return std::nullopt;
    return renderHomePage(*tpl, site, latest, random);
}

}  // namespace qm
