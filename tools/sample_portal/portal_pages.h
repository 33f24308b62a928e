// The pages of the sample news portal: GBK list pages and article pages in the
// layout the collector reads, generated deterministically from the page and article
// numbers, so a test knows every title and stored body in advance.
//
// Layout: list pages 1 .. maxPage; the first list page ("/news_flash.shtml") shows
// the newest page, maxPage. Pages 1 .. maxPage - 1 together list the articles 1 ..
// articles (perPage a page, newest first); page maxPage lists perPage more. Every
// page carries "var maxPage = <maxPage>;". Article n lives at "/a/<n>.shtml".
//
// Some articles are rejects on purpose (unless the layout switches them off): every
// 17th has a headline shorter than 20 bytes, every 13th a body that is mostly script
// and styling and too short once cleaned. Every 3rd uses the media layout whose body ends at the
// first script tag.
//
// Pure functions; any thread.
#pragma once

#include <string>

#include "foundation/text_kit.h"

namespace qm::portal {

struct PortalLayout {
    int articles = 400;   // articles listed by pages 1 .. maxPage - 1
    int perPage = 20;     // links on each list page (more than 10)
    bool rejects = true;  // false: every article is storable
};

struct PortalResponse {
    int status = 200;
    Text body;  // GBK
};

// maxPage: the number of list pages.
int pageCount(const PortalLayout& layout);
// The highest article number that has a page.
int lastArticle(const PortalLayout& layout);

// The page for a request path ("/news_flash.shtml", "/news_flash_<n>.shtml",
// "/a/<n>.shtml"); a 404 page for anything else. base is the portal's own address
// (e.g. "http://127.0.0.1:8080"), used in the links of list pages.
PortalResponse respond(const PortalLayout& layout, const Text& base, const std::string& path);

Text firstListPage(const PortalLayout& layout, const Text& base);
// Empty when n is not a list page.
Text listPage(const PortalLayout& layout, const Text& base, int n);
// Empty when n has no page.
Text articlePage(const PortalLayout& layout, int n);
Text articlePath(int n);
Text articleAddress(const Text& base, int n);

// The article numbers listed on page n, in page order.
std::vector<int> articlesOnPage(const PortalLayout& layout, int n);

// The headline as the page shows it, and as the pool stores it (colons removed).
Text pageTitle(const PortalLayout& layout, int n);
Text storedTitle(const PortalLayout& layout, int n);
// True when the collector stores article n; storedBody is then what the pool file
// holds: the body with its script, style, span and strong blocks removed.
bool isStorable(const PortalLayout& layout, int n);
Text storedBody(const PortalLayout& layout, int n);

}  // namespace qm::portal
