#include "foundation/text_kit_scan.h"

#include <cstring>

namespace qm::text_scan {
namespace {

constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kHighs = 0x8080808080808080ULL;

std::uint64_t load8(const char* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Non-zero when some byte of v is zero.
std::uint64_t has_zero_byte(std::uint64_t v) {
    return (v - kOnes) & ~v & kHighs;
}

// First position p >= from with (text[p] | 0x20) == lower, for a lower-case ASCII
// letter: exactly the positions holding that letter in either case.
std::size_t find_letter_either_case(std::string_view text, std::size_t from, unsigned char lower) {
    const char* data = text.data();
    const std::size_t n = text.size();
    const std::uint64_t pattern = kOnes * lower;
    const std::uint64_t caseBit = kOnes * 0x20;
    std::size_t p = from;
    while (p + 8 <= n) {
        if (has_zero_byte((load8(data + p) | caseBit) ^ pattern)) break;
        p += 8;
    }
    for (; p < n; ++p) {
        if ((byte_at(text, p) | 0x20) == lower) return p;
    }
    return npos;
}

bool equal_folded(const char* a, const char* b, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        if (fold(static_cast<unsigned char>(a[i])) != fold(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

// First position p >= from where sub matches byte for byte, ignoring boundaries.
std::size_t find_exact(std::string_view text, std::size_t from, std::string_view sub) {
    if (from > text.size() || text.size() - from < sub.size()) return npos;
    const void* hit = memmem(text.data() + from, text.size() - from, sub.data(), sub.size());
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text.data()) : npos;
}

// First position p >= from where sub matches with ASCII case folded, ignoring
// boundaries. Candidates are found on the first byte (either case when it is a letter).
std::size_t find_folded(std::string_view text, std::size_t from, std::string_view sub) {
    const std::size_t n = text.size();
    const std::size_t m = sub.size();
    const unsigned char first = fold(byte_at(sub, 0));
    const bool firstIsLetter = first >= 'a' && first <= 'z';
    std::size_t p = from;
    while (p < n && n - p >= m) {
        std::size_t c;
        if (firstIsLetter) {
            c = find_letter_either_case(text, p, first);
        } else {
            const void* hit = std::memchr(text.data() + p, first, n - p);
            c = hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text.data()) : npos;
        }
        if (c == npos || n - c < m) return npos;
        if (equal_folded(text.data() + c + 1, sub.data() + 1, m - 1)) return c;
        p = c + 1;
    }
    return npos;
}

}  // namespace

std::size_t next_boundary(std::string_view text, std::size_t boundary, std::size_t target) {
    if (target <= boundary) return boundary;
    // A byte below 0x80 always ends a character (it is a single-byte character or a
    // trail byte), so the position after the last such byte before target is a
    // boundary. From there on every byte is 0x80 or above, and they pair up as lead
    // and trail. Looking back only that far keeps a search near the end of a long
    // text from walking all of it; the caller moves boundary past target afterwards,
    // so no byte is looked at twice.
    std::size_t q = target;
    while (q > boundary && is_lead(byte_at(text, q - 1))) --q;
    return (target - q) % 2 == 0 ? target : target + 1;
}

std::size_t find_aligned(std::string_view text, std::size_t from, std::string_view sub,
                         bool fold_case) {
    const bool folded = fold_case && has_ascii_letter(sub);
    std::size_t boundary = from;
    std::size_t p = from;
    while (p < text.size()) {
        const std::size_t c = folded ? find_folded(text, p, sub) : find_exact(text, p, sub);
        if (c == npos) return npos;
        boundary = next_boundary(text, boundary, c);
        if (boundary == c) return c;
        // c is a trail byte; the next candidate can start on the boundary after it.
        p = boundary;
    }
    return npos;
}

}  // namespace qm::text_scan
