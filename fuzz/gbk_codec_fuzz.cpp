// Converts arbitrary bytes both ways. GBK to UTF-8 must give well-formed UTF-8; UTF-8
// to GBK must give well-formed GBK; text that went through GBK once must come back
// unchanged from a second trip.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "foundation/gbk_codec.h"

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

// Every byte of 0x81 or above starts a two-byte character with a trail byte in
// 0x40..0xFE other than 0x7F; 0x80 is the one-byte euro sign; 0xFF never occurs.
bool is_gbk_structure(const std::string& s) {
    for (std::size_t i = 0; i < s.size(); ++i) {
        const unsigned char b = static_cast<unsigned char>(s[i]);
        if (b < 0x80 || b == 0x80) continue;
        if (b == 0xFF || i + 1 >= s.size()) return false;
        const unsigned char t = static_cast<unsigned char>(s[++i]);
        if (t < 0x40 || t > 0xFE || t == 0x7F) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string in(reinterpret_cast<const char*>(data), size);

    const std::string utf8 = qm::gbk_to_utf8(in);
    check(qm::is_valid_utf8(utf8));
    const std::string gbk = qm::utf8_to_gbk(utf8);
    check(is_gbk_structure(gbk));
    if (in.find('\0') == std::string::npos) check(qm::gbk_to_utf8(gbk) == utf8);

    const std::string direct = qm::utf8_to_gbk(in);
    check(is_gbk_structure(direct));
    check(direct.size() <= size);
    if (qm::is_valid_utf8(in) && in.find('\0') == std::string::npos) {
        const std::string back = qm::gbk_to_utf8(direct);
        check(qm::is_valid_utf8(back));
    }
    return 0;
}
