#include "site/domain_rules.h"

#include "engine/gbk_literals.h"

namespace qm {

const Text kBadDomainPrompt = utf8_to_gbk("域名格式不正确：只能由字母、数字、减号和点组成");
const Text kBadIpPrompt = utf8_to_gbk("IP地址格式不正确：请填写形如 192.168.1.10 的地址");

namespace {

constexpr std::size_t kMaxHostLength = 253;
constexpr std::size_t kMaxLabelLength = 63;

bool isLetterOrDigit(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool isUsableLabel(const Text& label) {
    if (label.empty() || label.size() > kMaxLabelLength) return false;
    if (label.front() == '-' || label.back() == '-') return false;
    for (const char ch : label) {
        const auto c = static_cast<unsigned char>(ch);
        if (!isLetterOrDigit(c) && c != '-') return false;
    }
    return true;
}

// Labels between single dots; an empty label (leading, trailing or double dot)
// makes the split fail.
bool splitLabels(const Text& text, TextList& labels) {
    std::size_t begin = 0;
    while (true) {
        const std::size_t dot = text.find('.', begin);
        const std::size_t end = dot == Text::npos ? text.size() : dot;
        if (end == begin) return false;
        labels.push_back(text.substr(begin, end - begin));
        if (dot == Text::npos) return true;
        begin = dot + 1;
    }
}

bool containsTxtIgnoringCase(const Text& text) {
    for (std::size_t i = 0; i + 4 <= text.size(); ++i) {
        if (text[i] != '.') continue;
        const char t1 = static_cast<char>(text[i + 1] | 0x20);
        const char x = static_cast<char>(text[i + 2] | 0x20);
        const char t2 = static_cast<char>(text[i + 3] | 0x20);
        if (t1 == 't' && x == 'x' && t2 == 't') return true;
    }
    return false;
}

}  // namespace

bool isUsableDomain(const Text& domain) {
    if (domain.empty() || domain.size() > kMaxHostLength) return false;
    TextList labels;
    if (!splitLabels(domain, labels)) return false;
    for (const Text& label : labels) {
        if (!isUsableLabel(label)) return false;
    }
    return !containsTxtIgnoringCase(domain);
}

bool isUsableIpAddress(const Text& ip) {
    TextList parts;
    if (ip.empty() || !splitLabels(ip, parts) || parts.size() != 4) return false;
    for (const Text& part : parts) {
        if (part.size() > 3 || (part.size() > 1 && part.front() == '0')) return false;
        int value = 0;
        for (const char ch : part) {
            if (ch < '0' || ch > '9') return false;
            value = value * 10 + (ch - '0');
        }
        if (value > 255) return false;
    }
    return true;
}

}  // namespace qm
