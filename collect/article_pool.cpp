#include "collect/article_pool.h"

#include <climits>

#include "foundation/gbk_codec.h"

namespace qm {
namespace {

const Text kPoolFolderName = "\xC1\xD9\xCA\xB1\xCE\xC4\xD5\xC2\xBF\xE2";  // 临时文章库
const Text kSuffix = ".txt";

// The longest pool file name, in bytes of the name on disk (UTF-8): the file
// system's limit, less room for the temporary name the whole-file writer puts beside
// it (a dot before, a counter after).
constexpr std::size_t kNameLimit = NAME_MAX - 32;

std::size_t nativeLength(const Text& name) {
    return gbk_to_utf8(name).size();
}

// The byte length of the first whole character at position i (0-based).
std::size_t characterLength(const Text& text, std::size_t i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    return (byte >= 0x80 && i + 1 < text.size()) ? 2 : 1;
}

// The longest prefix of stem, cut between characters, whose name on disk leaves room
// for the suffix.
Text cutToNameLimit(const Text& stem) {
    const std::size_t room = kNameLimit - kSuffix.size();
    if (nativeLength(stem) <= room) return stem;
    // A name on disk is hardly ever shorter than in GBK (only damaged bytes shrink to
    // "?"), so room bytes of GBK are the place to start cutting back from.
    std::vector<std::size_t> ends;
    for (std::size_t i = 0; i < stem.size() && i < room;) {
        i += characterLength(stem, i);
        if (i <= room) ends.push_back(i);
    }
    while (!ends.empty()) {
        Text prefix = stem.substr(0, ends.back());
        if (nativeLength(prefix) <= room) return prefix;
        ends.pop_back();
    }
    return {};
}

}  // namespace

Text poolFolder(const Text& runDirectory) {
    return join_path(runDirectory, kPoolFolderName);
}

Text poolFileName(const Text& title) {
    if (title.empty() || title == "." || title == "..") return {};
    Text stem = title;
    // Byte-wise on purpose: a "/" after a damaged lead byte is still a "/" on disk.
    for (char& byte : stem) {
        if (byte == '/' || byte == '\0') byte = '_';
    }
    stem = cutToNameLimit(stem);
    if (stem.empty()) return {};
    const Text name = stem + kSuffix;
    const std::string native = gbk_to_utf8(name);
    if (native.find('/') != std::string::npos || native.find('\0') != std::string::npos ||
        native.size() > kNameLimit) {
        return {};
    }
    return name;
}

Text poolFilePath(const Text& runDirectory, const Text& title) {
    const Text name = poolFileName(title);
    if (name.empty()) return {};
    return join_path(poolFolder(runDirectory), name);
}

bool writePoolArticle(const Text& runDirectory, const Text& title, const Text& body) {
    const Text path = poolFilePath(runDirectory, title);
    if (path.empty()) return false;
    return write_file_whole(path, to_bytes(body));
}

Text readPoolArticle(const Text& runDirectory, const Text& title) {
    const Text path = poolFilePath(runDirectory, title);
    if (path.empty()) return {};
    return to_text(read_file(path));
}

}  // namespace qm
