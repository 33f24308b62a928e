// Files of the pass: reading the operator's files and writing generated pages.
//
// The operator's files (profiles, templates, article and word libraries) are read only
// when they are regular files (symbolic links followed): a named pipe would block the
// pass for good and a device never ends.
//
// Writing generated pages: each page is written whole (a temporary file beside it,
// then renamed over the page), so a reader, a stopped run or a crashed process never
// sees half a page. Pages are not synced one by one: the pass rewrites dozens of pages
// per site, and a sync per file would cost more than all the rendering. Instead the
// pass calls syncPages once per site, which flushes the site's file system.
//
// Stateless; any thread.
#pragma once

#include <optional>

#include "foundation/text_kit.h"

namespace qm {

// The size in bytes of the regular file at path; -1 when there is none.
long long regularFileSize(const Text& path);

// The whole regular file at path; nothing when path is not a regular file or cannot
// be read (an empty file reads as empty bytes).
std::optional<ByteArray> readRegularFile(const Text& path);

// Writes data to a new temporary file in path's folder and renames it to path; false
// (and no temporary file left) when either step fails.
bool writePageFile(const Text& path, const ByteArray& data);

// Flushes the file system that holds folder to disk; false when it cannot.
bool syncPages(const Text& folder);

}  // namespace qm
