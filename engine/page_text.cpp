#include "engine/page_text.h"

#include <cstring>

#include "engine/gbk_literals.h"

namespace qm {

namespace {

const std::array<Text, kSlotCount>& slotTexts() {
    static const std::array<Text, kSlotCount> texts = {
        gbk("{网站标题}"), gbk("{网站关键词}"), gbk("{网站描述}"), gbk("{文章标题}"),
        gbk("{文章内容}"), gbk("{当前栏目}"),   gbk("{文章时间}"), gbk("{网站栏目}"),
        gbk("{最新文章}"), gbk("{随机文章}"),   gbk("{发布时间}"), gbk("{长尾词}"),
    };
    return texts;
}

}  // namespace

const Text& slotText(Slot slot) {
    return slotTexts()[static_cast<std::size_t>(slot)];
}

ParsedTemplate parseTemplate(Text text) {
    ParsedTemplate parsed;
    parsed.text = std::move(text);
    const Text& t = parsed.text;
    const auto& texts = slotTexts();
    const std::size_t n = t.size();
    std::size_t i = 0;
    while (i < n) {
        const auto byte = static_cast<unsigned char>(t[i]);
        if (byte >= 0x80) {
            if (i + 1 >= n) break;  // a lead byte without its trail byte ends the text
            i += 2;
            continue;
        }
        if (byte == '{') {
            std::size_t matched = 0;
            for (std::size_t s = 0; s < kSlotCount; ++s) {
                const Text& p = texts[s];
                if (n - i >= p.size() && std::memcmp(t.data() + i, p.data(), p.size()) == 0) {
                    parsed.bySlot[s].push_back(static_cast<std::uint32_t>(parsed.tokens.size()));
                    parsed.tokens.push_back({static_cast<std::uint32_t>(i), static_cast<Slot>(s)});
                    matched = p.size();
                    break;
                }
            }
            if (matched > 0) {
                i += matched;
                continue;
            }
        }
        ++i;
    }
    return parsed;
}

PageText::PageText(const ParsedTemplate& parsed)
    : parsed_(parsed), fill_(parsed.tokens.size(), -1) {
    for (std::size_t s = 0; s < kSlotCount; ++s)
        remaining_[s] = static_cast<int>(parsed.bySlot[s].size());
    values_.reserve(parsed.tokens.size());
}

void PageText::replaceFirst(Slot slot, Text value) {
    const std::size_t s = index(slot);
    const auto& tokens = parsed_.bySlot[s];
    std::uint32_t& next = next_[s];
    while (next < tokens.size() && fill_[tokens[next]] >= 0) ++next;
    if (next >= tokens.size()) return;
    values_.push_back(std::move(value));
    fill_[tokens[next]] = static_cast<std::int32_t>(values_.size() - 1);
    ++next;
    --remaining_[s];
}

void PageText::replaceAll(Slot slot, Text value) {
    const std::size_t s = index(slot);
    if (remaining_[s] == 0) return;
    values_.push_back(std::move(value));
    const auto v = static_cast<std::int32_t>(values_.size() - 1);
    for (std::uint32_t token : parsed_.bySlot[s]) {
        if (fill_[token] < 0) fill_[token] = v;
    }
    next_[s] = static_cast<std::uint32_t>(parsed_.bySlot[s].size());
    remaining_[s] = 0;
}

Text PageText::str() const {
    const Text& t = parsed_.text;
    std::size_t size = t.size();
    for (std::size_t k = 0; k < parsed_.tokens.size(); ++k) {
        if (fill_[k] >= 0) size += values_[static_cast<std::size_t>(fill_[k])].size();
    }
    Text out;
    out.reserve(size);
    std::size_t from = 0;
    for (std::size_t k = 0; k < parsed_.tokens.size(); ++k) {
        const ParsedTemplate::Token& token = parsed_.tokens[k];
        if (fill_[k] < 0) continue;  // unfilled: stays as part of the template text
        out.append(t, from, token.begin - from);
        out += values_[static_cast<std::size_t>(fill_[k])];
        from = token.begin + slotText(token.slot).size();
    }
    out.append(t, from, Text::npos);
    return out;
}

}  // namespace qm
