// The link lists of a page: column links, latest and random articles, long-tail words.
#include <algorithm>

#include "engine/gbk_literals.h"
#include "engine/page_text.h"

namespace qm {

namespace {

const Text& rowTitle(const ResultTable& t, int row) {
    return t.cell(row, kPosTitle);
}
const Text& rowId(const ResultTable& t, int row) {
    return t.cell(row, kPosArticleId);
}
const Text& rowTime(const ResultTable& t, int row) {
    return t.cell(row, kPosTime);
}

Text columnLink(int number, const Text& name) {
    return "<a href=\"/list/" + to_text(number) + ".html\">" + name + "</a>";
}

// Runs one fill step on a page held as plain text.
template <typename Step>
void onText(Text& page, Step step) {
    const ParsedTemplate parsed = parseTemplate(std::move(page));
    PageText filled(parsed);
    step(filled);
    page = filled.str();
}

}  // namespace

int drawRandom(int min, int max) {
    seed_random();
    return random_int(min, max);
}

TextList columnNames(const Text& columnText) {
    if (find_text(columnText, ",") < 0) return split_text(columnText + "," + columnText, ",");
    return split_text(columnText, ",");
}

Text articleLink(const Text& title, const Text& id) {
    // "<a href="/html/link.html">title</a>" with "title" replaced by the title and then
    // every "link", in the address and in the title alike, replaced by the id.
    return "<a href=\"/html/" + id + ".html\">" + replace_text(title, "link", id) + "</a>";
}

void fillColumnLinks(PageText& page, const TextList& columns) {
    const int count = static_cast<int>(columns.size());
    const int n = page.count(Slot::Columns);
    for (int k = 1; k <= n && count > 0; ++k) {
        int c = k % count;
        if (c == 0) c = count;
        page.replaceFirst(Slot::Columns, columnLink(c, columns[static_cast<std::size_t>(c - 1)]));
    }
    page.replaceAll(Slot::Columns, Text());
}

void fillLatest(PageText& page, const ResultTable& latest, LatestRows rule, int r) {
    const int n = page.count(Slot::Latest);
    const int records = latest.recordCount();
    for (int k = 1; k <= n && records >= 1; ++k) {
        int row = 0;
        switch (rule) {
            case LatestRows::AfterArticle:
                row = r + k;
                break;
            case LatestRows::Newest:
                row = k;
                break;
            case LatestRows::Random:
                row = drawRandom(1, records);
                break;
        }
        // The article and home lists never show the table's last record.
        if (rule != LatestRows::Random && row >= records) break;
        page.replaceFirst(Slot::Latest, articleLink(rowTitle(latest, row), rowId(latest, row)));
        page.replaceFirst(Slot::PublishTime, rowTime(latest, row));
    }
    // Slots left over, or all of them when there is no record yet, show nothing.
    page.replaceAll(Slot::Latest, Text());
}

void fillRandom(PageText& page, const ResultTable& random) {
    const int n = page.count(Slot::Random);
    const int records = random.recordCount();
    for (int k = 1; k <= n && records >= 1; ++k) {
        const int row = drawRandom(1, records);
        page.replaceFirst(Slot::Random, articleLink(rowTitle(random, row), rowId(random, row)));
        page.replaceFirst(Slot::PublishTime, rowTime(random, row));
    }
    page.replaceAll(Slot::Random, Text());
    page.replaceAll(Slot::PublishTime, Text());
}

void longTailText(PageText& page, const SiteValues& site) {
    if (page.count(Slot::LongTail) == 0) return;
    const int words = static_cast<int>(site.longTailWords.size());
    Text text;
    if (site.longTail && words >= 2) {
        const int count = std::min(site.longTailCount, kMaxPageInsertions);
        for (int k = 1; k <= count; ++k) {
            const int w = drawRandom(1, words);
            text += site.longTailWords[static_cast<std::size_t>(w - 1)];
            if (k != count) text += ',';
        }
    }
    page.replaceAll(Slot::LongTail, std::move(text));
}

void fillColumnLinks(Text& page, const TextList& columns) {
    onText(page, [&](PageText& p) { fillColumnLinks(p, columns); });
}

void fillLatest(Text& page, const ResultTable& latest, LatestRows rule, int r) {
    onText(page, [&](PageText& p) { fillLatest(p, latest, rule, r); });
}

void fillRandom(Text& page, const ResultTable& random) {
    onText(page, [&](PageText& p) { fillRandom(p, random); });
}

void longTailText(Text& page, const SiteValues& site) {
    onText(page, [&](PageText& p) { longTailText(p, site); });
}

}  // namespace qm
