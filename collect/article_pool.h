// The article pool: the folder <run dir>/临时文章库 with one file per collected
// article, named after its title, holding the cleaned article body as raw GBK bytes
// (no byte-order mark, no title line, no terminator).
//
// Titles come from the network, so a title is never used as a file name directly:
// poolFileName maps it to a name that stays inside the pool folder ("/" and NUL
// replaced by "_", "." and ".." refused, cut to the file system's name limit at a
// character boundary). The writer and every reader go through poolFilePath, so a
// title always finds its file. Two titles may share a file name after the mapping;
// the later article then replaces the earlier one, as two equal titles do.
//
// Pool files are written whole (temporary file, then rename): a reader or a stopped
// run never sees half a file. Pure path functions; file functions may run on any
// thread, Quillmoor uses them on the task worker.
#pragma once

#include "foundation/text_kit.h"

namespace qm {

// The pool folder of a run directory.
Text poolFolder(const Text& runDirectory);

// The pool file name (title + ".txt", made safe) for a title; empty when the title
// cannot name a file (empty, ".", "..").
Text poolFileName(const Text& title);

// poolFolder(runDirectory) + separator + poolFileName(title); empty when the title is
// refused.
Text poolFilePath(const Text& runDirectory, const Text& title);

// Writes body as the article of title (temporary file and rename); false when the
// title is refused or the file cannot be written.
bool writePoolArticle(const Text& runDirectory, const Text& title, const Text& body);

// The stored body of title; empty when there is none.
Text readPoolArticle(const Text& runDirectory, const Text& title);

}  // namespace qm
