// TextKit: byte and character operations on GBK texts.
#include <algorithm>
#include <climits>
#include <cstdint>

#include "foundation/text_kit.h"
#include "foundation/text_kit_scan.h"

namespace qm {
namespace {

using text_scan::byte_at;
using text_scan::is_lead;
using text_scan::npos;

int clamp_to_int(std::size_t n) {
    return n > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(n);
}

// start is 1-based; returns the 0-based scan start, raised to 0 when negative.
std::size_t scan_start(std::int64_t start) {
    const std::int64_t s = start - 1;
    return s < 0 ? 0 : static_cast<std::size_t>(s);
}

// Length of the space character at p (ASCII space or A1 A1), 0 when there is none.
std::size_t space_at(const Text& text, std::size_t p) {
    const unsigned char b = byte_at(text, p);
    if (b == 0x20) return 1;
    if (b == 0xA1 && p + 1 < text.size() && byte_at(text, p + 1) == 0xA1) return 2;
    return 0;
}

std::size_t char_length(const Text& text, std::size_t p) {
    return (is_lead(byte_at(text, p)) && p + 1 < text.size()) ? 2 : 1;
}

const Text kQuoteMarker = "#\xD2\xFD\xBA\xC5";  // #引号

}  // namespace

int byte_length(const Text& text) {
    return clamp_to_int(text.size());
}

Text left_text(const Text& text, int n) {
    if (n <= 0) return {};
    return text.substr(0, std::min(text.size(), static_cast<std::size_t>(n)));
}

Text right_text(const Text& text, int n) {
    if (n <= 0) return {};
    const std::size_t k = std::min(text.size(), static_cast<std::size_t>(n));
    return text.substr(text.size() - k);
}

Text mid_text(const Text& text, int start, int n) {
    if (start < 1 || n <= 0 || static_cast<std::size_t>(start) > text.size()) return {};
    return text.substr(static_cast<std::size_t>(start) - 1, static_cast<std::size_t>(n));
}

int find_text(const Text& text, const Text& sub, int start, bool ignore_case) {
    const std::size_t s = scan_start(start);
    if (s >= text.size()) return -1;  // the searched part is empty, whatever sub is
    if (sub.empty()) return 1;
    const std::size_t hit = text_scan::find_aligned(text, s, sub, ignore_case);
    return hit == npos ? -1 : clamp_to_int(hit + 1);
}

Text replace_text(const Text& text, const Text& find, const Text& replacement, int start, int count,
                  bool case_sensitive) {
    const std::size_t n = text.size();
    const std::size_t m = find.size();
    const std::size_t s = scan_start(start);
    if (n == 0 || m == 0 || s >= n || count == 0) return text;

    Text out;
    out.reserve(n);
    out.append(text, 0, s);
    std::size_t pos = s;  // a boundary of the scan
    int remaining = count;
    for (;;) {
        const std::size_t hit = text_scan::find_aligned(text, pos, find, !case_sensitive);
        if (hit == npos) break;
        out.append(text, pos, hit - pos);
        out += replacement;
        pos = hit + m;
        if (remaining > 0 && --remaining == 0) break;
    }
    if (remaining != 0 && m == 1 && pos < n) {
        // The scan copies character by character to the end; when it reaches a lead
        // byte that is the last byte of the text, that incomplete character is dropped.
        const std::size_t last = n - 1;
        if (is_lead(byte_at(text, last)) && text_scan::next_boundary(text, pos, last) == last) {
            out.append(text, pos, last - pos);
            return out;
        }
    }
    if (pos < n) out.append(text, pos, n - pos);
    return out;
}

TextList split_text(const Text& text, const Text& delimiter) {
    TextList parts;
    if (text.empty()) return parts;
    if (delimiter.empty()) {
        parts.push_back(text);
        return parts;
    }
    std::size_t segment = 0;
    for (;;) {
        const std::size_t hit = text_scan::find_aligned(text, segment, delimiter, false);
        if (hit == npos) break;
        parts.emplace_back(text, segment, hit - segment);
        segment = hit + delimiter.size();
    }
    if (segment < text.size()) parts.emplace_back(text, segment, text.size() - segment);
    return parts;
}

Text trim_text(const Text& text) {
    const std::size_t n = text.size();
    std::size_t begin = 0;
    while (begin < n) {
        const std::size_t k = space_at(text, begin);
        if (k == 0) break;
        begin += k;
    }
    // Walk forward (the only way to know GBK boundaries) and remember where the last
    // character that is not a space ends.
    std::size_t end = begin;
    for (std::size_t p = begin; p < n;) {
        const std::size_t k = space_at(text, p);
        if (k != 0) {
            p += k;
        } else {
            p += char_length(text, p);
            end = p;
        }
    }
    return text.substr(begin, end - begin);
}

Text remove_spaces(const Text& text) {
    Text out;
    out.reserve(text.size());
    for (std::size_t p = 0; p < text.size();) {
        const std::size_t k = space_at(text, p);
        if (k != 0) {
            p += k;
            continue;
        }
        const std::size_t c = char_length(text, p);
        out.append(text, p, c);
        p += c;
    }
    return out;
}

Text text_between(const Text& text, const Text& left, const Text& right, int start,
                  bool ignore_case) {
    const Text l = replace_text(left, kQuoteMarker, "\"", 1, -1, true);
    const Text r = replace_text(right, kQuoteMarker, "\"", 1, -1, true);
    std::int64_t a = find_text(text, l, start, ignore_case);
    if (a != -1) a += static_cast<std::int64_t>(l.size());
    if (a == -1 || a > static_cast<std::int64_t>(text.size())) return {};
    const int b = find_text(text, r, static_cast<int>(a), ignore_case);
    if (b == -1) return {};
    return mid_text(text, static_cast<int>(a), static_cast<int>(b - a));
}

Text space_text(int n) {
    return n < 1 ? Text() : Text(static_cast<std::size_t>(n), ' ');
}

Text char_text(int code) {
    const unsigned char b = static_cast<unsigned char>(static_cast<unsigned>(code) & 0xFFu);
    return b == 0 ? Text() : Text(1, static_cast<char>(b));
}

int line_count(const Text& text) {
    if (text.empty()) return 0;
    std::size_t lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
    if (text.back() != '\n') ++lines;
    return clamp_to_int(lines);
}

}  // namespace qm
