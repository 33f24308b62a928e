// Article pages per second from a 30 KB template with 40 placeholders, filled from
// result tables of 300 rows, with internal links, keyword links and long-tail words
// switched on. One item is one finished page. The template is loaded once, as the
// generation pass loads a site's templates once per pass.
#include <benchmark/benchmark.h>

#include "engine/gbk_literals.h"
#include "engine/page_render.h"

namespace qm {
namespace {

ResultTable records(int n) {
    ResultTable t;
    t.resize(n + 1, 6);
    for (int r = 1; r <= n; ++r) {
        t.setCell(r, kPosId, to_text(n - r + 1));
        t.setCell(r, kPosColumn, to_text(r % 6 + 1));
        t.setCell(r, kPosTime, "2024-03-05");
        t.setCell(r, kPosTitle, gbk("国际油价连续三日上涨 市场关注供需变化") + to_text(r));
        t.setCell(r, kPosArticleId, to_text(n - r + 1));
    }
    return t;
}

// About 30 KB of page text around 40 placeholders.
Text articleTemplate() {
    Text filler;
    while (filler.size() < 700)
        filler += gbk("<p class=\"note\">本站内容每日更新，欢迎关注最新动态与专题报道。</p>\n");
    Text t =
        gbk("<!DOCTYPE html><html><head><meta charset=\"gbk\"><title>{文章标题} - {网站标题}"
            "</title></head><body>\n");
    const std::vector<std::string> slots = {
        "{网站标题}", "{网站栏目}", "{网站栏目}", "{网站栏目}", "{网站栏目}", "{网站栏目}",
        "{网站栏目}", "{网站栏目}", "{网站栏目}", "{当前栏目}", "{文章标题}", "{文章时间}",
        "{当前栏目}", "{文章内容}", "{长尾词}",   "{最新文章}", "{发布时间}", "{最新文章}",
        "{发布时间}", "{最新文章}", "{发布时间}", "{最新文章}", "{发布时间}", "{最新文章}",
        "{发布时间}", "{最新文章}", "{发布时间}", "{最新文章}", "{发布时间}", "{最新文章}",
        "{发布时间}", "{最新文章}", "{发布时间}", "{最新文章}", "{发布时间}", "{随机文章}",
        "{随机文章}", "{随机文章}", "{随机文章}", "{网站标题}"};
    for (const std::string& slot : slots) t += filler + gbk(slot) + "\n";
    t += "</body></html>\n";
    return t;
}

void BM_RenderArticlePage(benchmark::State& state) {
    const LoadedTemplate tpl = decodeTemplate(articleTemplate());
    const ResultTable latest = records(300);
    const ResultTable random = records(300);
    SiteValues site;
    site.domain = "example.com";
    site.title = gbk("晨报新闻网");
    site.keywords = gbk("新闻,财经,体育");
    site.columns = columnNames(gbk("国内,国际,财经,体育,科技,娱乐"));
    site.longTail = true;
    site.longTailCount = 3;
    site.longTailWords = {gbk("今日油价"), gbk("天气预报"), gbk("高考分数线")};
    site.internalLinks = true;
    site.internalLinkCount = 2;
    site.keywordLinks = true;
    site.keywordLinkCount = 1;
    Text body;
    while (body.size() < 3000)
        body += gbk("<p>记者从有关部门获悉，近期相关工作取得积极进展，各项措施稳步落实。</p>");
    state.counters["template_bytes"] = static_cast<double>(tpl.text.size());
    int r = 1;
    for (auto _ : state) {
        RenderedPage page = renderArticlePage(tpl, site, latest, random, r, body);
        benchmark::DoNotOptimize(page.text.data());
        r = r % 20 + 1;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RenderArticlePage);

// The cost of reading a template's placeholders, paid once per template and pass.
void BM_DecodeTemplate(benchmark::State& state) {
    const Text text = articleTemplate();
    for (auto _ : state) {
        LoadedTemplate tpl = decodeTemplate(text);
        benchmark::DoNotOptimize(tpl.parsed.get());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DecodeTemplate);

}  // namespace
}  // namespace qm

BENCHMARK_MAIN();
