// RegexObject on PCRE2's 16-bit library in non-UTF mode.
//
// The GBK text is decoded to UTF-16 code units. GBK holds only characters of the Basic
// Multilingual Plane, so each GBK character is exactly one code unit and therefore one
// character to the pattern. Non-UTF mode gives the dialect we want from PCRE2 without
// any pattern rewriting: case folding, \s, \d, \w and \b use the built-in ASCII tables
// (UTF mode would fold full-width and other non-ASCII letters as well), and with the
// line feed as the only newline the dot matches a carriage return but not a line feed.
#include "foundation/regex_object.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/gbk_codec.h"

namespace qm {

namespace {

// Work limits of one pcre2_match call. They bound catastrophic backtracking; the
// patterns the system uses stay far below them even on very large pages.
constexpr std::uint32_t kMatchLimit = 10'000'000;
constexpr std::uint32_t kHeapLimitKib = 64 * 1024;
constexpr std::size_t kJitStackStart = 32 * 1024;
constexpr std::size_t kJitStackMax = 8 * 1024 * 1024;

// "#引号" in GBK: the stand-in for a double quote in patterns written without one.
constexpr std::string_view kQuoteMarker = "#\xD2\xFD\xBA\xC5";

constexpr char16_t kReplacementChar = 0xFFFD;

void append_code_point(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
        return;
    }
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
}

// Well-formed UTF-8 to UTF-16; any ill-formed byte becomes U+FFFD (the codec's output
// is always well-formed, so this is only a guard).
std::u16string utf8_to_units(std::string_view s) {
    std::u16string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            out.push_back(b);
            ++i;
            continue;
        }
        std::size_t len = 0;
        char32_t cp = 0;
        unsigned char lo = 0x80;
        unsigned char hi = 0xBF;
        if (b >= 0xC2 && b <= 0xDF) {
            len = 2;
            cp = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            len = 3;
            cp = b & 0x0F;
            if (b == 0xE0) lo = 0xA0;
            if (b == 0xED) hi = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            len = 4;
            cp = b & 0x07;
            if (b == 0xF0) lo = 0x90;
            if (b == 0xF4) hi = 0x8F;
        }
        bool ok = len != 0 && i + len <= s.size();
        for (std::size_t k = 1; ok && k < len; ++k) {
            const auto c = static_cast<unsigned char>(s[i + k]);
            const unsigned char min = k == 1 ? lo : 0x80;
            const unsigned char max = k == 1 ? hi : 0xBF;
            if (c < min || c > max) {
                ok = false;
            } else {
                cp = (cp << 6) | (c & 0x3F);
            }
        }
        if (ok) {
            append_code_point(out, cp);
            i += len;
        } else {
            out.push_back(kReplacementChar);
            ++i;
        }
    }
    return out;
}

void append_utf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// UTF-16 code units to GBK; a surrogate without its partner becomes "?".
Text units_to_gbk(std::u16string_view units) {
    std::string utf8;
    utf8.reserve(units.size() * 3);
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t cp = units[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = kReplacementChar;
        }
        append_utf8(utf8, cp);
    }
    return utf8_to_gbk(utf8);
}

std::u16string gbk_to_units(const Text& gbk) {
    return utf8_to_units(gbk_to_utf8(gbk));
}

// True when the codec decodes gbk without replacing any byte by "?".
bool decodes_cleanly(const Text& gbk, const std::string& utf8) {
    return std::count(gbk.begin(), gbk.end(), '?') == std::count(utf8.begin(), utf8.end(), '?');
}

Text resolve_quote_marker(const Text& pattern) {
    Text out;
    std::size_t pos = 0;
    // '#' can never be the trail byte of a double-byte character (trail bytes are 0x40
    // and above), so a plain byte search finds only real occurrences.
    for (std::size_t hit; (hit = pattern.find(kQuoteMarker, pos)) != Text::npos;
         pos = hit + kQuoteMarker.size()) {
        out.append(pattern, pos, hit - pos);
        out.push_back('"');
    }
    out.append(pattern, pos, Text::npos);
    return out;
}

template <typename T, void (*Free)(T*)>
struct Deleter {
    void operator()(T* p) const { Free(p); }
};
using CompileContext = std::unique_ptr<pcre2_compile_context,
                                       Deleter<pcre2_compile_context, pcre2_compile_context_free>>;
using MatchContext =
    std::unique_ptr<pcre2_match_context, Deleter<pcre2_match_context, pcre2_match_context_free>>;
using MatchData =
    std::unique_ptr<pcre2_match_data, Deleter<pcre2_match_data, pcre2_match_data_free>>;
using JitStack = std::unique_ptr<pcre2_jit_stack, Deleter<pcre2_jit_stack, pcre2_jit_stack_free>>;

bool is_limit_error(int rc) {
    return rc == PCRE2_ERROR_MATCHLIMIT || rc == PCRE2_ERROR_DEPTHLIMIT ||
           rc == PCRE2_ERROR_HEAPLIMIT || rc == PCRE2_ERROR_JIT_STACKLIMIT ||
           rc == PCRE2_ERROR_NOMEMORY;
}

}  // namespace

struct RegexObject::Compiled {
    pcre2_code* code = nullptr;
    std::uint32_t captureCount = 0;

    Compiled() = default;
    Compiled(const Compiled&) = delete;
    Compiled& operator=(const Compiled&) = delete;
    ~Compiled() { pcre2_code_free(code); }
};

// The decoded subject and, per match, the start and end offsets (in code units) of
// the whole match and of every group, PCRE2_UNSET for a group that did not take part.
struct RegexObject::MatchSet {
    std::u16string subject;
    std::size_t stride = 2;  // offsets per match: 2 * (groups + 1)
    std::vector<PCRE2_SIZE> offsets;
    bool limitReached = false;

    int count() const { return static_cast<int>(offsets.size() / stride); }
    // The text of group g (0 the whole match) of match index i (from 0).
    std::u16string_view group(std::size_t i, std::size_t g) const {
        const PCRE2_SIZE start = offsets[i * stride + 2 * g];
        const PCRE2_SIZE end = offsets[i * stride + 2 * g + 1];
        if (start == PCRE2_UNSET || end == PCRE2_UNSET || end < start) return {};
        return std::u16string_view(subject).substr(start, end - start);
    }
};

RegexObject::RegexObject() = default;
RegexObject::~RegexObject() = default;
RegexObject::RegexObject(RegexObject&& other) noexcept = default;
RegexObject& RegexObject::operator=(RegexObject&& other) noexcept = default;

void RegexObject::destroy() {
    compiled_.reset();
    matches_.reset();
    pattern_.clear();
}

RegexObject RegexObject::clone() const {
    RegexObject copy;
    copy.compiled_ = compiled_;
    copy.matches_ = matches_;
    copy.pattern_ = pattern_;
    return copy;
}

bool RegexObject::create(const Text& pattern, const Text& subject, bool caseSensitive,
                         bool multiline, bool global, bool quoteEscape) {
    destroy();
    const Text resolved = quoteEscape ? resolve_quote_marker(pattern) : pattern;
    const std::string patternUtf8 = gbk_to_utf8(resolved);
    // A pattern whose bytes are not GBK would reach the engine with "?" quantifiers in
    // their place; refuse it as a bad pattern instead.
    if (!decodes_cleanly(resolved, patternUtf8)) return false;
    const std::u16string pattern16 = utf8_to_units(patternUtf8);

    // ECMAScript behaviour: \uHHHH escapes, "[]" matches nothing, a back reference to
    // an unset group matches the empty text, "$" without multiline is the very end, and
    // with multiline "^" also matches after a line feed that ends the subject.
    std::uint32_t options = PCRE2_ALT_BSUX | PCRE2_ALLOW_EMPTY_CLASS | PCRE2_MATCH_UNSET_BACKREF |
                            PCRE2_DOLLAR_ENDONLY | PCRE2_ALT_CIRCUMFLEX;
    if (!caseSensitive) options |= PCRE2_CASELESS;
    if (multiline) options |= PCRE2_MULTILINE;
    CompileContext context(pcre2_compile_context_create(nullptr));
    if (!context) return false;
    pcre2_set_newline(context.get(), PCRE2_NEWLINE_LF);
    int error = 0;
    PCRE2_SIZE errorOffset = 0;
    auto compiled = std::make_shared<Compiled>();
    compiled->code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern16.data()), pattern16.size(),
                                   options, &error, &errorOffset, context.get());
    if (compiled->code == nullptr) return false;
    pcre2_pattern_info(compiled->code, PCRE2_INFO_CAPTURECOUNT, &compiled->captureCount);
    // Without JIT support pcre2_match interprets the pattern; nothing else changes.
    pcre2_jit_compile(compiled->code, PCRE2_JIT_COMPLETE);

    auto set = std::make_shared<MatchSet>();
    set->subject = gbk_to_units(subject);
    set->stride = 2 * (std::size_t{compiled->captureCount} + 1);

    MatchData data(pcre2_match_data_create_from_pattern(compiled->code, nullptr));
    MatchContext matchContext(pcre2_match_context_create(nullptr));
    JitStack jitStack(pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr));
    if (!data || !matchContext) return false;
    pcre2_set_match_limit(matchContext.get(), kMatchLimit);
    pcre2_set_heap_limit(matchContext.get(), kHeapLimitKib);
    if (jitStack) pcre2_jit_stack_assign(matchContext.get(), nullptr, jitStack.get());

    const auto* text = reinterpret_cast<PCRE2_SPTR>(set->subject.data());
    const PCRE2_SIZE length = set->subject.size();
    PCRE2_SIZE start = 0;
    std::uint32_t flags = 0;
    while (start <= length) {
        const int rc =
            pcre2_match(compiled->code, text, length, start, flags, data.get(), matchContext.get());
        if (rc == PCRE2_ERROR_NOMATCH && flags != 0) {
            // No non-empty match where the empty one was: move on by one character.
            flags = 0;
            ++start;
            continue;
        }
        if (rc < 0) {
            set->limitReached = is_limit_error(rc);
            break;
        }
        const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());
        // \K inside a lookaround can report a match that ends before it starts; such a
        // match cannot be stepped over safely, so the search ends there.
        if (ovector[1] < ovector[0]) break;
        for (std::size_t k = 0; k < set->stride; ++k) {
            set->offsets.push_back(k < 2 * static_cast<std::size_t>(rc) ? ovector[k] : PCRE2_UNSET);
        }
        if (!global) break;
        if (ovector[0] == ovector[1]) {
            // After an empty match, first look for a non-empty one at the same place.
            if (ovector[1] == length) break;
            flags = PCRE2_NOTEMPTY_ATSTART | PCRE2_ANCHORED;
        } else {
            flags = 0;
        }
        start = ovector[1];
    }

    compiled_ = std::move(compiled);
    matches_ = std::move(set);
    pattern_ = resolved;
    return true;
}

Text RegexObject::pattern() const {
    return pattern_;
}

Text RegexObject::replace(const Text& replacement) const {
    if (!matches_ || !compiled_) return {};
    const MatchSet& set = *matches_;
    const std::u16string with = gbk_to_units(replacement);
    const std::size_t groups = compiled_->captureCount;
    std::u16string out;
    out.reserve(set.subject.size());
    std::size_t pos = 0;
    for (std::size_t i = 0; i < static_cast<std::size_t>(set.count()); ++i) {
        const PCRE2_SIZE start = set.offsets[i * set.stride];
        const PCRE2_SIZE end = set.offsets[i * set.stride + 1];
        out.append(set.subject, pos, start - pos);
        for (std::size_t k = 0; k < with.size(); ++k) {
            const char16_t c = with[k];
            const char16_t next = k + 1 < with.size() ? with[k + 1] : u'\0';
            if (c != u'$' || next == u'\0') {
                out.push_back(c);
            } else if (next == u'$') {
                out.push_back(u'$');
                ++k;
            } else if (next == u'&') {
                out.append(set.group(i, 0));
                ++k;
            } else if (next >= u'0' && next <= u'9') {
                // Two digits when they name a group, else one digit when it does; "$0"
                // and numbers beyond the groups stay literal.
                const std::size_t one = next - u'0';
                const char16_t after = k + 2 < with.size() ? with[k + 2] : u'\0';
                const std::size_t two =
                    after >= u'0' && after <= u'9' ? one * 10 + (after - u'0') : 0;
                if (two >= 1 && two <= groups) {
                    out.append(set.group(i, two));
                    k += 2;
                } else if (one >= 1 && one <= groups) {
                    out.append(set.group(i, one));
                    ++k;
                } else {
                    out.push_back(c);
                }
            } else {
                out.push_back(c);
            }
        }
        pos = end;
    }
    out.append(set.subject, pos, std::u16string::npos);
    return units_to_gbk(out);
}

int RegexObject::matchCount() const {
    return matches_ ? matches_->count() : 0;
}

Text RegexObject::matchText(int number) const {
    if (number < 1 || number > matchCount()) return {};
    return units_to_gbk(matches_->group(static_cast<std::size_t>(number - 1), 0));
}

Text RegexObject::submatchText(int number, int group) const {
    if (number < 1 || number > matchCount() || group < 1 ||
        static_cast<std::uint32_t>(group) > compiled_->captureCount) {
        return {};
    }
    return units_to_gbk(
        matches_->group(static_cast<std::size_t>(number - 1), static_cast<std::size_t>(group)));
}

int RegexObject::submatchCount() const {
    return matchCount() > 0 ? static_cast<int>(compiled_->captureCount) : 0;
}

bool RegexObject::limitReached() const {
    return matches_ && matches_->limitReached;
}

}  // namespace qm
