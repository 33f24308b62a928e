// Article extraction: one article address in, at most one pool file out.
//
// extractArticle downloads the article page (5-second time-out), takes the headline
// between "<title>" and "-搜狐" (colons removed, at least 20 bytes) and the body
// between the article-body marker and its end marker, deletes script, style and other
// "<s...>" / "<S...>" blocks from the body, and stores a body of more than 200 bytes in
// the pool under the headline. Only an article whose file was written is counted in
// collectedCount and logged ("采集内容" + number + "：" + title + "\r\n").
//
// Runs on the task worker; the context is borrowed for the call.
#pragma once

#include "collect/collect_context.h"
#include "foundation/text_kit.h"

namespace qm {

// The parts of an article page worth storing; both empty when the page is rejected
// (title under 20 bytes, or body of 200 bytes or less after cleaning).
struct ArticleParts {
    Text title;
    Text body;
};

// Cuts title and cleaned body out of an article page (GBK text). Pure; any thread.
ArticleParts parseArticlePage(const Text& page);

// text with every match of pattern removed (Perl syntax, case-sensitive, the dot
// matching every character including CR and LF; matches left to right, never
// overlapping). Empty text when the pattern is invalid or matching gives up (too
// complex a subject). Any thread.
Text deletePatternMatches(const Text& text, const Text& pattern);

// Fetches address and stores its article in the pool; number is the link's 1-based
// row in the ArticleQueue, used in the log line. Returns the stored title (empty when
// nothing was stored).
Text extractArticle(CollectContext& ctx, const Text& address, int number);

}  // namespace qm
