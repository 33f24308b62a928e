// Feeds arbitrary bytes to the text operations of TextKit. The input is split at NUL
// bytes into a text, a second text (needle, delimiter or marker) and a replacement;
// the first four bytes choose start, count and case handling. Besides not crashing,
// the search must agree with a plain character-by-character scan.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "foundation/text_kit.h"

namespace {

using qm::Text;

unsigned char folded(char c) {
    const unsigned char b = static_cast<unsigned char>(c);
    return (b >= 'A' && b <= 'Z') ? static_cast<unsigned char>(b + 32) : b;
}

int plain_find(const Text& t, const Text& sub, int start, bool fold) {
    const long long s0 = static_cast<long long>(start) - 1;
    const std::size_t s = s0 < 0 ? 0 : static_cast<std::size_t>(s0);
    if (s >= t.size()) return -1;
    if (sub.empty()) return 1;
    for (std::size_t p = s; p < t.size() && t.size() - p >= sub.size();) {
        bool match = true;
        for (std::size_t i = 0; i < sub.size() && match; ++i) {
            match = fold ? folded(t[p + i]) == folded(sub[i]) : t[p + i] == sub[i];
        }
        if (match) return static_cast<int>(p + 1);
        p += static_cast<unsigned char>(t[p]) >= 0x80 ? 2 : 1;
    }
    return -1;
}

void check(bool ok) {
    if (!ok) std::abort();
}

// Takes the next NUL-terminated part of the input.
Text next_part(const std::string& in, std::size_t& pos) {
    if (pos >= in.size()) return {};
    const std::size_t end = in.find('\0', pos);
    const std::size_t stop = end == std::string::npos ? in.size() : end;
    Text part = in.substr(pos, stop - pos);
    pos = stop + 1;
    return part;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    const int start = static_cast<std::int8_t>(data[0]);
    const int count = static_cast<std::int8_t>(data[1]) % 8;
    const bool flag = (data[2] & 1) != 0;
    const int extreme = data[3] % 4;
    const std::string in(reinterpret_cast<const char*>(data) + 4, size - 4);
    std::size_t pos = 0;
    const Text text = next_part(in, pos);
    const Text sub = next_part(in, pos);
    const Text replacement = next_part(in, pos);
    const int starts[] = {start, INT32_MIN, INT32_MAX, 1};
    const int s = starts[extreme];

    const int found = qm::find_text(text, sub, s, flag);
    check(found == plain_find(text, sub, s, flag));
    check(found == -1 || (found >= 1 && static_cast<std::size_t>(found) <= text.size()));

    const Text replaced = qm::replace_text(text, sub, replacement, s, count, !flag);
    if (replacement.empty()) check(replaced.size() <= text.size());
    if (found == -1 || count == 0) {
        // Nothing to replace: at most a lone last lead byte can go.
        check(replaced == text || replaced + text.back() == text);
    }

    const qm::TextList parts = qm::split_text(text, sub);
    std::size_t total = 0;
    for (const Text& p : parts) total += p.size();
    if (!sub.empty())
        check(total + (parts.empty() ? 0 : parts.size() - 1) * sub.size() <= text.size());

    const Text between = qm::text_between(text, sub, replacement, s, flag);
    check(between.empty() || text.find(between) != Text::npos);

    static_cast<void>(qm::trim_text(text));
    static_cast<void>(qm::remove_spaces(text));
    static_cast<void>(qm::line_count(text));
    static_cast<void>(qm::mid_text(text, s, count * 1000));
    static_cast<void>(qm::to_int(text));
    static_cast<void>(qm::to_number(text));
    static_cast<void>(qm::to_text(qm::to_number(sub)));
    static_cast<void>(qm::round_number(qm::to_number(text), start));
    return 0;
}
