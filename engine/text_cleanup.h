// Small stateless text and file routines the engine and the collector share:
// counting occurrences, removing blank lines, picking one line, a file's size in
// kilobytes, an exact existence test for a path, and UTF-8 to GBK conversion.
//
// Texts are GBK byte strings (foundation/text_kit.h). Nothing throws; every routine
// may be called from any thread.
#pragma once

#include <string_view>

#include "foundation/text_kit.h"

namespace qm {

// Non-overlapping occurrences of sub in text, searched character by character; ASCII
// letter case is ignored unless caseSensitive. 0 when either text is empty.
int countOccurrences(const Text& text, const Text& sub, bool caseSensitive = false);

// Removes one leading and one trailing CR LF from text itself (the caller's variable
// is changed), then returns that text with every line feed that is followed only by
// white space up to a carriage return deleted together with that white space and the
// carriage return: runs of empty or blank lines collapse into one line break.
Text cleanBlankLines(Text& text);

// Line n (from 1) of text split at CR LF; empty when there is no such line. A
// trailing CR LF gives no empty last line.
Text pickLine(const Text& text, int n);

// The size of the (first) file matching path in kilobytes, rounded up; 0 for an empty
// file, -1 when nothing exists at path.
int fileSizeKb(const Text& path);

// True when a file or folder exists at exactly this path (no wildcards).
bool pathExists(const Text& path);

// UTF-8 bytes as a GBK text. Ill-formed UTF-8 and characters GBK cannot encode become
// "?"; the result ends at the first NUL of the input.
Text utf8ToGbk(std::string_view text);

}  // namespace qm
