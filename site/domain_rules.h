// Rules for the two form values that reach the file system, the administration
// tool's arguments and the web server's configuration: the domain and the IP address.
//
// A usable domain is an ASCII host name or an IPv4 literal: one or more labels joined
// by single dots, each label 1 to 63 letters, digits or "-" that neither begins nor
// ends with "-", 253 bytes at most. Everything else is refused: "/", "..", a leading
// or trailing dot, spaces, control characters, quotes, ";", braces, "$", "*", "_",
// non-ASCII bytes (so no GBK names either: a Chinese domain must be entered in its
// ASCII form). A domain containing ".txt" (in any letter case) is refused too: the
// site grid strips every ".txt" from the profile names it lists, so such a site could
// never be shown, loaded or deleted under its own name.
//
// A usable IP address is an IPv4 dotted quad, each part 0 to 255 in decimal without
// leading zeros.
//
// Pure functions; any thread.
#pragma once

#include "foundation/text_kit.h"

namespace qm {

bool isUsableDomain(const Text& domain);
bool isUsableIpAddress(const Text& ip);

// The prompts saveSite shows for a refused domain or IP address.
extern const Text kBadDomainPrompt;  // 域名格式不正确：只能由字母、数字、减号和点组成
extern const Text kBadIpPrompt;  // IP地址格式不正确：请填写形如 192.168.1.10 的地址

}  // namespace qm
