// Engine-internal: a page being filled from a template, as a list of placeholder
// slots over the template text.
//
// The template is scanned once (character by character, so a placeholder never
// starts on a GBK trail byte) and every placeholder occurrence becomes a slot. Filling
// replaces slots, never re-reading inserted values: an article title that happens to
// contain "{网站标题}" stays as written instead of being filled in turn. Counting,
// replacing the first and replacing all work on the slots still unfilled, which is
// what the same operations on the growing page text would do. (No placeholder byte is
// an ASCII letter, so matching with or without letter case finds the same slots.)
//
// A ParsedTemplate is immutable and may be shared between threads; a PageText
// belongs to the one render that fills it.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "engine/page_render.h"

namespace qm {

enum class Slot : std::uint8_t {
    SiteTitle,        // {网站标题}
    SiteKeywords,     // {网站关键词}
    SiteDescription,  // {网站描述}
    ArticleTitle,     // {文章标题}
    ArticleBody,      // {文章内容}
    CurrentColumn,    // {当前栏目}
    ArticleTime,      // {文章时间}
    Columns,          // {网站栏目}
    Latest,           // {最新文章}
    Random,           // {随机文章}
    PublishTime,      // {发布时间}
    LongTail,         // {长尾词}
};
inline constexpr std::size_t kSlotCount = 12;

// The placeholder text of a slot, GBK.
const Text& slotText(Slot slot);

struct ParsedTemplate {
    struct Token {
        std::uint32_t begin = 0;  // byte offset of the placeholder in text
        Slot slot = Slot::SiteTitle;
    };
    Text text;
    std::vector<Token> tokens;                                  // in text order
    std::array<std::vector<std::uint32_t>, kSlotCount> bySlot;  // token indices
};

ParsedTemplate parseTemplate(Text text);

class PageText {
  public:
    explicit PageText(const ParsedTemplate& parsed);

    int count(Slot slot) const { return remaining_[index(slot)]; }
    void replaceFirst(Slot slot, Text value);
    void replaceAll(Slot slot, Text value);
    Text str() const;

  private:
    static std::size_t index(Slot slot) { return static_cast<std::size_t>(slot); }

    const ParsedTemplate& parsed_;
    std::vector<std::int32_t> fill_;  // per token: index into values_, -1 unfilled
    std::vector<Text> values_;
    std::array<std::uint32_t, kSlotCount> next_{};  // first unfilled of bySlot
    std::array<int, kSlotCount> remaining_{};
};

// The most long-tail words, internal links or keyword links one page takes, whatever
// count the profile holds: each costs a draw and a copy of the body, and a mistyped
// count (999999999) would otherwise build a page of gigabytes for hours.
inline constexpr int kMaxPageInsertions = 1000;

// Draws a random integer, seeding right before the draw as every draw of a page does.
int drawRandom(int min, int max);

// The fill steps on a page being built.
void fillColumnLinks(PageText& page, const TextList& columns);
void fillLatest(PageText& page, const ResultTable& latest, LatestRows rule, int r);
void fillRandom(PageText& page, const ResultTable& random);
void longTailText(PageText& page, const SiteValues& site);

}  // namespace qm
