// Fuzzes RegexObject with arbitrary patterns, subjects and options, and the blank-line
// cleanup that runs it over whole texts. Input: one option byte, the pattern up to the
// first NUL, then the subject.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/text_cleanup.h"
#include "foundation/regex_object.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t options = data[0];
    const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t nul = rest.find('\0');
    const qm::Text pattern = rest.substr(0, nul);
    const qm::Text subject = nul == std::string::npos ? qm::Text() : rest.substr(nul + 1);

    qm::RegexObject re;
    const bool ok = re.create(pattern, subject, options & 1, options & 2, options & 4, options & 8);
    const int count = re.matchCount();
    if (!ok && count != 0) __builtin_trap();
    const int groups = re.submatchCount();
    for (int i = 0; i <= count + 1 && i < 64; ++i) {
        (void)re.matchText(i);
        for (int g = 0; g <= groups + 1 && g < 8; ++g) (void)re.submatchText(i, g);
    }
    qm::RegexObject copy = re.clone();
    re.destroy();
    (void)copy.replace("<$1$&$$$99$>");
    if (copy.matchCount() != count) __builtin_trap();

    qm::Text text = subject;
    (void)qm::cleanBlankLines(text);
    return 0;
}
