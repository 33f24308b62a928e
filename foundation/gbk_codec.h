// GBK <-> UTF-8 conversion on iconv (code page 936 as glibc's "GBK").
//
// Both directions are total: they never fail and never throw. Bytes that cannot be
// converted are replaced by "?" so that a damaged page or file name still converts.
// Thread-safe: each thread uses its own conversion descriptors. glibc's "CP936" is
// used, so 0x80 is the euro sign as in the Windows code page.
#pragma once

#include <string>
#include <string_view>

namespace qm {

// GBK bytes to UTF-8. Invalid or truncated GBK sequences become "?".
std::string gbk_to_utf8(std::string_view gbk);

// UTF-8 bytes to GBK. Ill-formed UTF-8 and characters GBK cannot encode become "?";
// the result ends at the first NUL of the input.
std::string utf8_to_gbk(std::string_view utf8);

// True when the bytes are well-formed UTF-8.
bool is_valid_utf8(std::string_view bytes);

}  // namespace qm
