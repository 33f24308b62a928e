// GenerationPass: the step of a task pass that publishes articles. For every site of
// the site list that belongs to the mode it takes up to 生成数量 articles (news mode:
// at random from the ArticleQueue that collection left; custom-article mode: the
// first files of the site's own library folder), stores one record per article in
// the site database, reads the newest and a random selection back into
// LatestArticles and RandomArticles, and rebuilds the site's article pages, column
// pages and home page in <install folder>/<domain>/, logging every file written.
//
// The records of a site are stored by one update(), all or none. Pages are written
// whole (temporary file and rename, engine/page_files.h) and the site's file system
// is flushed once after its pages. A custom article file is deleted only after its
// record has been stored, so a failed store never loses the operator's article; a
// library file that cannot be read (not a regular file, a name that does not survive
// the GBK round trip) is reported and left alone. A profile whose domain or template
// name is not one file name, or whose install folder is empty, is skipped as
// incomplete, so a hand-edited profile cannot lead the pass out of the site folder.
//
// A requested stop (scope.stop) is honoured between articles and between pages:
// the pass returns at once, a site whose records were not yet stored stores none,
// and no page is left half-written. Every wait goes through the run's clock.
//
// Runs on the task worker; it uses the context's queue, result tables and database
// objects, which belong to the worker while the run is active.
#pragma once

#include "engine/page_render.h"
#include "engine/run_context.h"
#include "foundation/text_kit.h"

namespace qm {

enum class GenerationMode {
    News,    // sites whose 选择框6 is 真; articles from the pool
    Custom,  // sites whose 选择框5 is 真; articles from the site's library folder
};

void runGenerationPass(WorkerScope& scope, GenerationMode mode);

// The site folder <install folder>/<domain> and the pages in it.
Text siteFolder(const Text& installFolder, const Text& domain);
Text articlePagePath(const Text& installFolder, const Text& domain, const Text& articleId);
Text columnPagePath(const Text& installFolder, const Text& domain, int column);
Text homePagePath(const Text& installFolder, const Text& domain);

// The long-tail word list of a long-tail folder: the words of one of its "*.txt"
// files picked at random (split at CR LF), or none when the folder holds no such
// file or the picked file is larger than 50 MB.
TextList longTailWords(const Text& folder);

}  // namespace qm
