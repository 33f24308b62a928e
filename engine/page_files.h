// Writing generated pages: each page is written whole (a temporary file beside it,
// then renamed over the page), so a reader, a stopped run or a crashed process never
// sees half a page. Pages are not synced one by one: the pass rewrites dozens of pages
// per site, and a sync per file would cost more than all the rendering. Instead the
// pass calls syncPages once per site, which flushes the site's file system.
//
// Stateless; any thread.
#pragma once

#include "foundation/text_kit.h"

namespace qm {

// Writes data to a new temporary file in path's folder and renames it to path; false
// (and no temporary file left) when either step fails.
bool writePageFile(const Text& path, const ByteArray& data);

// Flushes the file system that holds folder to disk; false when it cannot.
bool syncPages(const Text& folder);

}  // namespace qm
