// Throughput of the character-aware text operations over GBK texts of mixed ASCII
// and Chinese, and a size sweep to show they stay linear.
//
//   build/bench/textkit_bench --benchmark_filter=FindText
#include <benchmark/benchmark.h>

#include <random>

#include "foundation/text_kit.h"

namespace {

using qm::Text;

// Looks like an article page: markup and ASCII words between runs of Chinese
// characters, some of whose trail bytes are "@", "\\", "|" or letters.
Text make_text(std::size_t size) {
    static const char* const pieces[] = {
        "<p>",
        "</p>\r\n",
        "\xD6\xD0\xCE\xC4",                  // 中文
        "\xCA\xFD\xBE\xDD\xBF\xE2",          // 数据库
        "\x81\x40\x81\x5C\x81\x7C\x82\x41",  // trail bytes @ \ | A
        "news ",
        "Title ",
        "2024-01-01 ",
        "\xA1\xA1",
        "\xA3\xAC",
        "<a href=\"/html/1.html\">",
        "</a>",
    };
    std::mt19937 rng(7);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
    Text t;
    t.reserve(size + 64);
    while (t.size() < size) t += pieces[pick(rng)];
    // Cut on a character boundary.
    std::size_t p = 0;
    while (p < size) p += static_cast<unsigned char>(t[p]) >= 0x80 ? 2 : 1;
    t.resize(p > size ? p - 2 : p);
    return t;
}

const Text& text_of(std::size_t size) {
    static std::size_t cachedSize = 0;
    static Text cached;
    if (cachedSize != size) {
        cached = make_text(size);
        cachedSize = size;
    }
    return cached;
}

void BM_FindTextAbsent(benchmark::State& state) {
    const Text& text = text_of(static_cast<std::size_t>(state.range(0)));
    const Text needle = "{\xCD\xF8\xD5\xBE\xB1\xEA\xCC\xE2}";  // {网站标题}
    for (auto _ : state) benchmark::DoNotOptimize(qm::find_text(text, needle));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_FindTextAbsent)->RangeMultiplier(4)->Range(64 << 10, 1 << 20);

void BM_FindTextAbsentCommonFirstByte(benchmark::State& state) {
    // The first byte is frequent in the text, so many candidates are checked.
    const Text& text = text_of(static_cast<std::size_t>(state.range(0)));
    const Text needle = "<p>\xFE\xFE";  // "<p>" is frequent, FE FE never occurs
    for (auto _ : state) benchmark::DoNotOptimize(qm::find_text(text, needle));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_FindTextAbsentCommonFirstByte)->Arg(1 << 20);

void BM_FindTextNearEnd(benchmark::State& state) {
    Text text = text_of(static_cast<std::size_t>(state.range(0)));
    text.resize(text.size() - 64);
    text += "{END}" + Text(59, 'x');
    for (auto _ : state) benchmark::DoNotOptimize(qm::find_text(text, "{END}"));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_FindTextNearEnd)->Arg(1 << 20);

void BM_FindTextIgnoreCase(benchmark::State& state) {
    const Text& text = text_of(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(qm::find_text(text, "<script", 1, true));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_FindTextIgnoreCase)->Arg(1 << 20);

void BM_ReplaceTextAll(benchmark::State& state) {
    // Case ignored, as by default: every "title" in either case is replaced.
    const Text& text = text_of(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(qm::replace_text(text, "title", "X"));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_ReplaceTextAll)->RangeMultiplier(4)->Range(64 << 10, 1 << 20);

void BM_ReplaceTextChinese(benchmark::State& state) {
    const Text& text = text_of(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            qm::replace_text(text, "\xD6\xD0\xCE\xC4", "<b>x</b>", 1, -1, true));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_ReplaceTextChinese)->Arg(1 << 20);

void BM_ReplaceTextCountOne(benchmark::State& state) {
    const Text& text = text_of(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(qm::replace_text(text, "</a>", "X", 1, 1));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_ReplaceTextCountOne)->Arg(1 << 20);

void BM_SplitText(benchmark::State& state) {
    const Text& text = text_of(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(qm::split_text(text, "\r\n"));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_SplitText)->RangeMultiplier(4)->Range(64 << 10, 1 << 20);

}  // namespace

BENCHMARK_MAIN();
