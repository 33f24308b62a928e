// Links woven into an article body after full-width commas.
#include <algorithm>

#include "engine/gbk_literals.h"
#include "engine/page_text.h"

namespace qm {

namespace {

// An even byte position from 2 to length + 1: a draw from 1 to length, odd ones
// moved up by one.
int drawPosition(int length) {
    int p = drawRandom(1, length);
    if (p % 2 == 1) ++p;
    return p;
}

// The first character boundary at or after byte position p (1-based), or 0 past the
// end. Searching must start on a boundary: read from a trail byte, a text of
// double-byte characters is misread pair by pair and its commas are never seen.
int boundaryFrom(const Text& text, int p) {
    const int length = byte_length(text);
    int at = 1;
    while (at < p && at <= length) at += static_cast<unsigned char>(text[at - 1]) >= 0x80 ? 2 : 1;
    return at <= length ? at : 0;
}

// The body with link inserted after the first "，" at or after byte position p;
// unchanged when there is none from p on.
Text insertAfterComma(const Text& body, int p, const Text& link) {
    const Text& comma = QM_GBK("，");
    const int from = boundaryFrom(body, p);
    if (from == 0) return body;
    const int at = find_text(body, comma, from, false);
    if (at < 0) return body;
    return replace_text(body, comma, comma + link, at, 1, true);
}

Text keywordLink(const Text& keyword, const Text& domain) {
    Text link = replace_text("<a href=\"/html/link.html\">title</a>", "title", keyword);
    return replace_text(link, "/html/link.html", "http://" + domain);
}

}  // namespace

Text enrichBody(const Text& body, const SiteValues& site, const ResultTable& random) {
    Text text = body;
    // Internal links need an article to point at: with no record there is none.
    if (site.internalLinks && random.recordCount() >= 1) {
        const int length = byte_length(text);  // kept for every insertion
        for (int k = 0; k < std::min(site.internalLinkCount, kMaxPageInsertions); ++k) {
            const int p = drawPosition(length);
            const int row = drawRandom(1, random.recordCount());
            text = insertAfterComma(
                text, p, articleLink(random.cell(row, kPosTitle), random.cell(row, kPosArticleId)));
        }
    }
    if (site.keywordLinks) {
        const TextList keywords = split_text(site.keywords, ",");
        if (!keywords.empty()) {
            const int length = byte_length(text);
            for (int k = 0; k < std::min(site.keywordLinkCount, kMaxPageInsertions); ++k) {
                const int p = drawPosition(length);
                const int w = drawRandom(1, static_cast<int>(keywords.size()));
                text = insertAfterComma(
                    text, p, keywordLink(keywords[static_cast<std::size_t>(w - 1)], site.domain));
            }
        }
    }
    return text;
}

}  // namespace qm
