// Text cleanup and conversion on top of TextKit, the regex object and the codec.
#include "engine/text_cleanup.h"

#include <cstdint>
#include <filesystem>
#include <system_error>

#include "foundation/gbk_codec.h"
#include "foundation/regex_object.h"

namespace qm {

int countOccurrences(const Text& text, const Text& sub, bool caseSensitive) {
    if (text.empty() || sub.empty()) return 0;
    int count = 0;
    int pos = 1;
    for (int hit; (hit = find_text(text, sub, pos, !caseSensitive)) != -1;
         pos = hit + byte_length(sub)) {
        ++count;
    }
    return count;
}

Text cleanBlankLines(Text& text) {
    static constexpr std::string_view kCrLf = "\r\n";
    if (text.starts_with(kCrLf)) text.erase(0, kCrLf.size());
    if (text.ends_with(kCrLf)) text.erase(text.size() - kCrLf.size());

    // A line feed, any white space, then a carriage return: the end of one line break
    // and the blank lines after it, up to the carriage return of the last of them.
    RegexObject blankLines;
    if (!blankLines.create("\n\\s*\r", text) || blankLines.matchCount() == 0) return text;
    return blankLines.replace("");
}

Text pickLine(const Text& text, int n) {
    const TextList lines = split_text(text, "\r\n");
    if (n < 1 || static_cast<std::size_t>(n) > lines.size()) return {};
    return lines[static_cast<std::size_t>(n - 1)];
}

int fileSizeKb(const Text& path) {
    if (!file_exists(path)) return -1;
    const int size = file_size(path);
    if (size == -1 && !file_exists(path)) return -1;  // removed in between
    // The size is the low 32 bits of the file's length, read as an unsigned number.
    const auto bytes = static_cast<std::uint32_t>(size);
    return static_cast<int>(bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0));
}

bool pathExists(const Text& path) {
    if (path.empty()) return false;
    std::error_code error;
    return std::filesystem::exists(std::filesystem::path(native_path(path)), error);
}

Text utf8ToGbk(std::string_view text) {
    return utf8_to_gbk(text);
}

}  // namespace qm
