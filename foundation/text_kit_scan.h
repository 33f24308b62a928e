// Character-aware scanning over GBK bytes, shared by the TextKit sources. Internal to
// the foundation library: other modules use text_kit.h.
//
// A scan starts at a position it treats as a character boundary and steps one byte
// for a byte below 0x80 and two bytes for a lead byte (0x80 or above). A match may
// only start on a boundary of that scan. The functions here are pure and may be
// called from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qm::text_scan {

inline constexpr std::size_t npos = std::string_view::npos;

inline unsigned char byte_at(std::string_view s, std::size_t i) {
    return static_cast<unsigned char>(s[i]);
}

inline bool is_lead(unsigned char b) {
    return b >= 0x80;
}

// ASCII-only folding: 'A'..'Z' become 'a'..'z', every other byte stays.
inline unsigned char fold(unsigned char b) {
    return (b >= 'A' && b <= 'Z') ? static_cast<unsigned char>(b + 0x20) : b;
}

inline bool has_ascii_letter(std::string_view s) {
    for (char c : s) {
        const unsigned char b = static_cast<unsigned char>(c) | 0x20;
        if (b >= 'a' && b <= 'z') return true;
    }
    return false;
}

// Given a character boundary `boundary` <= `target`, returns the first boundary of
// the same scan at or after target: target itself, or target + 1 when target holds
// the trail byte of a character.
std::size_t next_boundary(std::string_view text, std::size_t boundary, std::size_t target);

// The first position p >= from where sub matches (ASCII case folded when fold_case)
// and p is a boundary of the scan that starts at `from`. npos when there is none.
// sub must not be empty.
std::size_t find_aligned(std::string_view text, std::size_t from, std::string_view sub,
                         bool fold_case);

}  // namespace qm::text_scan
