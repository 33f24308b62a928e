#include "engine/site_profile.h"

#include <array>

#include "engine/gbk_literals.h"
#include "engine/page_files.h"
#include "engine/text_cleanup.h"

namespace qm {

namespace {

const Text kSeparator = "||";
const Text kLineBreak = "\r\n";

// Longest file name most Linux file systems take, in bytes.
constexpr std::size_t kMaxNameBytes = 255;
// Room kept for the suffix of the temporary file of an atomic write.
constexpr std::size_t kTempSuffixRoom = 32;

Text boolText(bool value) {
    return value ? kTextTrue : kTextFalse;
}

void appendPair(Text& line, const Text& key, const Text& value) {
    line += key;
    line += '=';
    line += value;
    line += kSeparator;
}

int pieceCount(const Text& line) {
    return static_cast<int>(split_text(line, kSeparator).size());
}

SiteProfile profileFromLines(Text text, Text line1, Text line2) {
    SiteProfile profile;
    profile.text = std::move(text);
    profile.line1 = std::move(line1);
    profile.line2 = std::move(line2);
    profile.fields = split_text(profile.line1, kSeparator);
    return profile;
}

}  // namespace

int SiteProfile::partCount() const {
    return pieceCount(line1) + pieceCount(line2);
}

Text SiteProfile::field(int n) const {
    if (n < 0 || n >= static_cast<int>(fields.size())) return Text();
    return fields[static_cast<std::size_t>(n)];
}

Text SiteProfile::profileValue(const Text& key) const {
    return profileValueIn(line2, key);
}

Text profileValueIn(const Text& text, const Text& key) {
    if (key.empty()) return Text();
    // text_between would read "#引号" in the key as a quote; profile keys never hold it,
    // but the search is spelled out so that the key is matched exactly as given.
    const Text left = key + "=";
    int start = find_text(text, left);
    if (start < 0) return Text();
    start += byte_length(left);
    const int end = find_text(text, kSeparator, start);
    if (end < 0) return Text();
    return mid_text(text, start, end - start);
}

Text profileFolder(const Text& runDir) {
    return join_path(join_path(runDir, QM_GBK("数据库")), "list");
}

Text profilePath(const Text& runDir, const Text& domain) {
    return join_path(profileFolder(runDir), domain + ".txt");
}

bool isUsableDomainFileName(const Text& domain) {
    if (domain.empty() || domain == "." || domain == "..") return false;
    if (domain.find('/') != Text::npos || domain.find('\0') != Text::npos) return false;
    const std::string onDisk = native_path(domain + ".txt");
    return !onDisk.empty() && onDisk.size() + kTempSuffixRoom <= kMaxNameBytes;
}

Text profileText(const SiteSettings& s) {
    const std::array<const Text*, 8> basics = {&s.domain,       &s.ip,     &s.installFolder,
                                               &s.templateName, &s.title,  &s.keywords,
                                               &s.description,  &s.columns};
    Text text;
    for (std::size_t i = 0; i < basics.size(); ++i) {
        if (i > 0) text += kSeparator;
        text += *basics[i];
    }
    text += kLineBreak;
    appendPair(text, profile_key::kNews, boolText(s.news));
    appendPair(text, profile_key::kCustom, boolText(!s.news));
    appendPair(text, profile_key::kLongTail, boolText(s.longTail));
    appendPair(text, profile_key::kInternalLinks, boolText(s.internalLinks));
    appendPair(text, profile_key::kKeywordLinks, boolText(s.keywordLinks));
    appendPair(text, profile_key::kKeywordLinkCount, s.keywordLinkCount);
    appendPair(text, profile_key::kCustomFolder, s.customFolder);
    appendPair(text, profile_key::kLongTailFolder, s.longTailFolder);
    appendPair(text, profile_key::kLongTailCount, s.longTailCount);
    appendPair(text, profile_key::kInternalLinkCount, s.internalLinkCount);
    appendPair(text, profile_key::kGenerateCount, s.generateCount);
    appendPair(text, profile_key::kInterval, s.intervalMinutes);
    appendPair(text, profile_key::kCombo, s.comboText);
    return text;
}

bool writeProfile(const Text& runDir, const SiteSettings& settings) {
    if (!isUsableDomainFileName(settings.domain)) return false;
    // The folders ship with the program; create them when they went missing rather
    // than losing the site (one level at a time, an existing folder is fine).
    const Text dataFolder = join_path(runDir, QM_GBK("数据库"));
    make_directory(dataFolder);
    make_directory(profileFolder(runDir));
    return write_file_whole(profilePath(runDir, settings.domain), ByteArray(profileText(settings)));
}

SiteProfile readProfile(const Text& runDir, const Text& siteName) {
    if (!isUsableDomainFileName(siteName)) return SiteProfile();
    // Only a regular file: a named pipe under a profile's name would block the reader.
    const std::optional<ByteArray> file = readRegularFile(profilePath(runDir, siteName));
    Text text = file ? to_text(*file) : Text();
    const TextList lines = split_text(text, kLineBreak);
    Text line1 = lines.size() > 0 ? lines[0] : Text();
    Text line2 = lines.size() > 1 ? lines[1] : Text();
    return profileFromLines(std::move(text), std::move(line1), std::move(line2));
}

SiteProfile parseProfile(const Text& fileText) {
    Text text = fileText;
    Text cleaned = cleanBlankLines(text);
    Text line1 = pickLine(cleaned, 1);
    Text line2 = pickLine(cleaned, 2);
    return profileFromLines(std::move(cleaned), std::move(line1), std::move(line2));
}

SiteSettings settingsFromProfile(const SiteProfile& p) {
    SiteSettings s;
    s.domain = p.field(0);
    s.ip = p.field(1);
    s.installFolder = p.field(2);
    s.templateName = p.field(3);
    s.title = p.field(4);
    s.keywords = p.field(5);
    s.description = p.field(6);
    s.columns = p.field(7);
    s.news = p.flag(profile_key::kNews);
    s.longTail = p.flag(profile_key::kLongTail);
    s.internalLinks = p.flag(profile_key::kInternalLinks);
    s.keywordLinks = p.flag(profile_key::kKeywordLinks);
    s.keywordLinkCount = p.profileValue(profile_key::kKeywordLinkCount);
    s.customFolder = p.profileValue(profile_key::kCustomFolder);
    s.longTailFolder = p.profileValue(profile_key::kLongTailFolder);
    s.longTailCount = p.profileValue(profile_key::kLongTailCount);
    s.internalLinkCount = p.profileValue(profile_key::kInternalLinkCount);
    s.generateCount = p.profileValue(profile_key::kGenerateCount);
    s.comboText = p.profileValue(profile_key::kCombo);
    return s;
}

}  // namespace qm
