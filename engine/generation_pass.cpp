#include "engine/generation_pass.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>

#include "collect/article_pool.h"
#include "engine/date_format.h"
#include "engine/gbk_literals.h"
#include "engine/page_files.h"
#include "engine/site_profile.h"
#include "engine/text_cleanup.h"

namespace qm {
namespace {

constexpr std::chrono::milliseconds kAfterOpenWait{1000};
constexpr std::chrono::milliseconds kPerArticleWait{10};
// Long-tail files whose size in kB divided by 1024 exceeds this are not read.
constexpr int kLongTailLimitMb = 50;
// Queue column that keeps a custom article's own file name (the title has every
// ".txt" removed, so the file cannot be found again from the title alone).
constexpr int kFileNameColumn = 2;
// Queue column that holds a custom article's text, read when the queue is filled.
constexpr int kBodyColumn = 3;

int drawInt(int low, int high) {
    seed_random();
    return random_int(low, high);
}

// One name inside its folder: "/" or a "." or ".." of its own would lead a path
// elsewhere.
bool isOneName(const Text& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == Text::npos;
}

// A site of the pass's mode with a usable profile.
struct SiteJob {
    SiteValues values;
    Text installFolder;
    Text customFolder;
    int wanted = 0;  // 生成数量
};

// Reads and checks the site's profile; nothing when the site is skipped (with the
// log line of an incomplete profile where one is due).
std::optional<SiteJob> readSite(WorkerScope& scope, GenerationMode mode, const Text& name) {
    const Text& runDir = scope.run.runDir();
    const std::optional<ByteArray> file = readRegularFile(profilePath(runDir, name));
    const SiteProfile profile = parseProfile(file ? to_text(*file) : Text());
    const Text incomplete = QM_GBK("错误提示：") + name + QM_GBK(" 配置不完整") + "\r\n";
    if (profile.text.empty()) {
        scope.log.append_log(incomplete);
        return std::nullopt;
    }
    const Text& gate = mode == GenerationMode::News ? profile_key::kNews : profile_key::kCustom;
    if (!profile.flag(gate)) return std::nullopt;
    if (!profile.isComplete()) {
        scope.log.append_log(incomplete);
        return std::nullopt;
    }

    SiteJob job;
    SiteValues& v = job.values;
    v.runDir = runDir;
    v.domain = profile.field(0);
    v.templateName = profile.field(3);
    v.title = profile.field(4);
    v.keywords = profile.field(5);
    v.description = profile.field(6);
    v.columns = columnNames(profile.field(7));
    v.longTail = profile.flag(profile_key::kLongTail);
    v.internalLinks = profile.flag(profile_key::kInternalLinks);
    v.keywordLinks = profile.flag(profile_key::kKeywordLinks);
    v.longTailCount = to_int(profile.profileValue(profile_key::kLongTailCount));
    v.internalLinkCount = to_int(profile.profileValue(profile_key::kInternalLinkCount));
    v.keywordLinkCount = to_int(profile.profileValue(profile_key::kKeywordLinkCount));
    if (v.longTail)
        v.longTailWords = longTailWords(profile.profileValue(profile_key::kLongTailFolder));
    job.installFolder = profile.field(2);
    job.customFolder = profile.profileValue(profile_key::kCustomFolder);
    job.wanted = to_int(profile.profileValue(profile_key::kGenerateCount));
    // The editor never writes such values, but a profile edited by hand may: a domain
    // or template name that is not one name would lead the site's database, pages or
    // templates out of their folders, and an empty install folder would put the site
    // folder wherever the program happens to run.
    if (!isUsableDomainFileName(v.domain) || !isOneName(v.templateName) ||
        job.installFolder.empty()) {
        scope.log.append_log(incomplete);
        return std::nullopt;
    }
    return job;
}

// Lists the first `wanted` (all with 0 or less) "*.txt" files of the library into the
// queue: the title in column 1, the file's own name in kFileNameColumn and its text in
// kBodyColumn. A file that cannot be read (not a regular file, a name that does not
// survive the GBK round trip, a failed read) is reported and left where it is: taking
// it would publish an empty article and delete the operator's file unread.
void fillQueueFromLibrary(WorkerScope& scope, const Text& folder, int wanted) {
    ArticleQueue& queue = scope.run.articleQueue();
    queue.clear();
    std::set<Text> listed;
    for (const Text& file : list_files(folder, "*.txt", false)) {
        // Two names on disk may read back as the same GBK name; it is taken once.
        if (!listed.insert(file).second) continue;
        const Text path = join_path(folder, file);
        // With a count of 0 or less nothing is taken, so no text is read.
        const std::optional<ByteArray> text =
            wanted > 0 ? readRegularFile(path)
                       : (regularFileSize(path) < 0 ? std::nullopt
                                                    : std::optional<ByteArray>(ByteArray()));
        if (!text) {
            scope.log.append_log(QM_GBK("错误提示：") + path + QM_GBK(" 读取失败") + "\r\n");
            continue;
        }
        ArticleRow row;
        row.cells[1] = replace_text(file, ".txt", "");
        row.cells[kFileNameColumn] = file;
        row.cells[kBodyColumn] = to_text(*text);
        const int number = queue.addRow(std::move(row)) + 1;
        if (number == wanted) break;
    }
}

// The pool article of a title; empty when there is no such regular file.
Text poolBody(const Text& runDir, const Text& title) {
    const Text path = poolFilePath(runDir, title);
    if (regularFileSize(path) < 0) return Text();
    return readPoolArticle(runDir, title);
}

// What storing a site's articles left behind.
struct StoredArticles {
    int taken = 0;                // T: records written and stored
    std::map<Text, Text> bodies;  // custom mode: article id -> text of the file
};

// Steps 8-10: opens the database, takes up to job.wanted articles from the queue into
// pending records, stores them in one update and queries the two result tables.
// Nothing when stopped before the records were stored (they are discarded then).
std::optional<StoredArticles> storeArticles(WorkerScope& scope, GenerationMode mode,
                                            const SiteJob& job) {
    RunContext& run = scope.run;
    DbConnection& connection = run.dbConnection();
    DbRecordSet& records = run.dbRecordSet();
    ArticleQueue& queue = run.articleQueue();
    const bool news = mode == GenerationMode::News;
    const int columnCount = static_cast<int>(job.values.columns.size());

    connection.openAccess(siteDatabasePath(run.runDir(), job.values.domain), Text());
    records.attach(connection);
    records.open(kArticleTable, kDbSourceTable);
    const int base = records.recordCount();
    if (run.clock().wait_for(kAfterOpenWait, scope.stop) == WaitResult::Stopped)
        return std::nullopt;

    StoredArticles stored;
    TextList consumedFiles;  // custom mode: deleted once their records are stored
    int taken = 0;
    for (int i = 1; i <= job.wanted; ++i) {
        if (queue.rowCount() == 0) break;
        const int row = news ? drawInt(1, queue.rowCount()) - 1 : 0;
        const int column = drawInt(1, columnCount);
        const Text title = queue.cell(row, 1);
        const Text id = to_text(base + i);
        records.addNew();
        records.writeField(kFieldColumn, to_text(column));
        records.writeField(kFieldTime, format_datetime(current_time(), 1, 1));
        records.writeField(kFieldTitle, title);
        records.writeField(kFieldArticleId, id);
        if (!news) {
            const Text path = join_path(job.customFolder, queue.cell(row, kFileNameColumn));
            stored.bodies[id] = queue.cell(row, kBodyColumn);
            consumedFiles.push_back(path);
        }
        queue.removeRow(row);
        taken = i;
        if (run.clock().wait_for(kPerArticleWait, scope.stop) == WaitResult::Stopped)
            return std::nullopt;
    }
    if (scope.stop.stop_requested()) return std::nullopt;

    const bool saved = taken == 0 || records.update();
    // Only articles whose records are stored are published; their files may go now.
    stored.taken = saved ? taken : 0;
    if (saved)
        for (const Text& path : consumedFiles) delete_file(path);

    records.close();
    ResultTable& latest = run.latestArticles();
    ResultTable& random = run.randomArticles();
    latest.clear();
    random.clear();
    queryIntoTable(connection, records, news ? kLatestQuery300 : kLatestQuery500, latest,
                   scope.log);
    records.close();
    queryIntoTable(connection, records, news ? kRandomQuery300 : kRandomQuery500, random,
                   scope.log);
    records.close();
    process_events();
    connection.close();
    return stored;
}

// Writes one page whole and logs it with shown (the path relative to the install
// folder); a page that cannot be written is reported instead of logged as made.
void writePage(WorkerScope& scope, const RenderedPage& page, const Text& path,
               const Text& logLine) {
    if (writePageFile(path, page.fileBytes()))
        scope.log.append_log(logLine + "\r\n");
    else
        scope.log.append_log(QM_GBK("错误提示：") + path + QM_GBK(" 写入失败") + "\r\n");
}

// An article id from the database that can name a page file.
bool usableId(const Text& id) {
    if (id.empty()) return false;
    for (unsigned char c : id)
        if (c < '0' || c > '9') return false;
    return true;
}

// Steps 11-13. False when stopped.
bool writePages(WorkerScope& scope, GenerationMode mode, const SiteJob& job,
                const StoredArticles& stored) {
    RunContext& run = scope.run;
    const SiteValues& site = job.values;
    const ResultTable& latest = run.latestArticles();
    const ResultTable& random = run.randomArticles();
    const Text sep(kPathSeparator);
    const TemplateSet templates = loadTemplateSet(site.runDir, site.templateName);

    if (templates.article) {
        const int last = std::min(stored.taken, latest.recordCount());
        for (int r = 1; r <= last; ++r) {
            if (scope.stop.stop_requested()) return false;
            const Text& title = latest.cell(r, kPosTitle);
            const Text& id = latest.cell(r, kPosArticleId);
            if (!usableId(id)) continue;
            Text body;
            if (mode == GenerationMode::News) {
                body = poolBody(run.runDir(), title);
            } else if (auto it = stored.bodies.find(id); it != stored.bodies.end()) {
                body = it->second;
            }
            const RenderedPage page =
                renderArticlePage(*templates.article, site, latest, random, r, body);
            writePage(scope, page, articlePagePath(job.installFolder, site.domain, id),
                      QM_GBK("生成文章：") + site.domain + sep + "html" + sep + id + ".html");
        }
    }
    if (templates.column) {
        const int columnCount = static_cast<int>(site.columns.size());
        for (int c = 1; c <= columnCount; ++c) {
            if (scope.stop.stop_requested()) return false;
            const RenderedPage page = renderColumnPage(*templates.column, site, latest, random, c);
            writePage(
                scope, page, columnPagePath(job.installFolder, site.domain, c),
                QM_GBK("生成栏目：") + site.domain + sep + "list" + sep + to_text(c) + ".html");
        }
    }
    if (templates.home) {
        if (scope.stop.stop_requested()) return false;
        const RenderedPage page = renderHomePage(*templates.home, site, latest, random);
        writePage(scope, page, homePagePath(job.installFolder, site.domain),
                  QM_GBK("生成首页：") + site.domain);
    }
    return true;
}

// One site of the pass; false when stopped.
bool passSite(WorkerScope& scope, GenerationMode mode, const Text& name) {
    std::optional<SiteJob> job = readSite(scope, mode, name);
    if (!job) return !scope.stop.stop_requested();
    RunContext& run = scope.run;
    run.closeDatabase();
    if (mode == GenerationMode::Custom) {
        fillQueueFromLibrary(scope, job->customFolder, job->wanted);
        if (run.articleQueue().rowCount() == 0) {
            scope.log.append_log(QM_GBK("重要提醒：") + job->values.domain +
                                 QM_GBK(" 自定义文章库不足") + "\r\n");
            return true;
        }
    }
    std::optional<StoredArticles> stored = storeArticles(scope, mode, *job);
    if (!stored) return false;
    const bool finished = writePages(scope, mode, *job, *stored);
    syncPages(siteFolder(job->installFolder, job->values.domain));
    return finished;
}

}  // namespace

Text siteFolder(const Text& installFolder, const Text& domain) {
    return join_path(installFolder, domain);
}

Text articlePagePath(const Text& installFolder, const Text& domain, const Text& articleId) {
    return join_path(join_path(siteFolder(installFolder, domain), "html"), articleId + ".html");
}

Text columnPagePath(const Text& installFolder, const Text& domain, int column) {
    return join_path(join_path(siteFolder(installFolder, domain), "list"),
                     to_text(column) + ".html");
}

Text homePagePath(const Text& installFolder, const Text& domain) {
    return join_path(siteFolder(installFolder, domain), "index.html");
}

TextList longTailWords(const Text& folder) {
    const TextList files = list_files(folder, "*.txt", true);
    if (files.empty()) return {};
    const Text& file = files[drawInt(1, static_cast<int>(files.size())) - 1];
    if (fileSizeKb(file) / 1024 > kLongTailLimitMb) return {};
    // The kilobyte rule sees only the low 32 bits of the size: a file of 4 GB and a
    // few bytes would pass it and be read whole.
    if (regularFileSize(file) > static_cast<long long>(kLongTailLimitMb + 1) * 1024 * 1024)
        return {};
    const std::optional<ByteArray> bytes = readRegularFile(file);
    if (!bytes) return {};
    return split_text(to_text(*bytes), "\r\n");
}

void runGenerationPass(WorkerScope& scope, GenerationMode mode) {
    init_components();
    for (const Text& name : scope.run.siteList().siteNames()) {
        if (scope.stop.stop_requested()) break;
        if (name.empty()) continue;
        if (!passSite(scope, mode, name)) break;
    }
    release_components();
}

}  // namespace qm
