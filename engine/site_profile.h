// The site profile file: the one record of a configured site's settings.
//
// <run dir>/数据库/list/<domain>.txt holds two GBK lines joined by CR LF (nothing
// after line 2). Line 1 is the eight basic settings joined by "||"; line 2 is
// thirteen "key=value||" pairs whose keys are the names of the window controls that
// hold them. Nothing is escaped: a value containing "||" or a line break shifts the
// pieces, and readers then see an incomplete or wrong profile.
//
// The engine never reads widgets: the window (or a test) fills a SiteSettings record
// and writeProfile turns it into the file; readProfile/parseProfile give a SiteProfile
// and settingsFromProfile turns that back into the record the form shows. The run
// directory is always passed in (GBK, no trailing separator).
//
// All functions are stateless and may be called from any thread; the file is written
// whole (temporary file plus rename), so a reader never sees half a profile.
#pragma once

#include "foundation/text_kit.h"

namespace qm {

// Keys of line 2, as GBK bytes (see engine/gbk_literals.h for the convention).
namespace profile_key {
inline const Text kNews = "\xD1\xA1\xD4\xF1\xBF\xF2\x36";                      // 选择框6
inline const Text kCustom = "\xD1\xA1\xD4\xF1\xBF\xF2\x35";                    // 选择框5
inline const Text kLongTail = "\xD1\xA1\xD4\xF1\xBF\xF2\x31";                  // 选择框1
inline const Text kInternalLinks = "\xD1\xA1\xD4\xF1\xBF\xF2\x32";             // 选择框2
inline const Text kKeywordLinks = "\xB2\xE5\xC8\xEB\xB9\xD8\xBC\xFC\xB4\xCA";  // 插入关键词
inline const Text kKeywordLinkCount =
    "\xB2\xE5\xC8\xEB\xB9\xD8\xBC\xFC\xB4\xCA\xCA\xFD";                  // 插入关键词数
inline const Text kCustomFolder = "\xB1\xE0\xBC\xAD\xBF\xF2\x38";        // 编辑框8
inline const Text kLongTailFolder = "\xB1\xE0\xBC\xAD\xBF\xF2\x31\x32";  // 编辑框12
inline const Text kLongTailCount =
    "\xB3\xA4\xCE\xB2\xB4\xCA\xB5\xF7\xD3\xC3\xCA\xFD";  // 长尾词调用数
inline const Text kInternalLinkCount = "\xC4\xDA\xC1\xB4\xB5\xF7\xD3\xC3\xCA\xFD";  // 内链调用数
inline const Text kGenerateCount = "\xC9\xFA\xB3\xC9\xCA\xFD\xC1\xBF";              // 生成数量
inline const Text kInterval = "\xBC\xE4\xB8\xF4\xCA\xB1\xBC\xE4";                   // 间隔时间
inline const Text kCombo = "\xD7\xE9\xBA\xCF\xBF\xF2\x31";                          // 组合框1
}  // namespace profile_key

// Stored booleans.
inline const Text kTextTrue = "\xD5\xE6";   // 真
inline const Text kTextFalse = "\xBC\xD9";  // 假

// A profile counts as complete from this many parts (8 of line 1 + 13 of line 2).
inline constexpr int kCompleteProfileParts = 21;

// Every profile value as the window's controls hold it, with the defaults of a fresh
// window. Texts are GBK, stored as typed (numbers are not checked).
struct SiteSettings {
    // Line 1, by position.
    Text domain;         // 编辑框域名; also the file name
    Text ip;             // 编辑框IP
    Text installFolder;  // 编辑框安装路径: parent of the site folder
    Text templateName;   // 编辑框模板
    Text title;          // 编辑框标题
    Text keywords;       // 编辑框关键词 ("," separated)
    Text description;    // 编辑框描述
    Text columns;        // 编辑框栏目 ("," separated)

    // Line 2.
    bool news = true;              // 选择框6; 选择框5 is always written as its opposite
    bool longTail = false;         // 选择框1
    bool internalLinks = false;    // 选择框2
    bool keywordLinks = false;     // 插入关键词
    Text keywordLinkCount = "1";   // 插入关键词数
    Text customFolder;             // 编辑框8: custom article library
    Text longTailFolder;           // 编辑框12: long-tail word library
    Text longTailCount = "3";      // 长尾词调用数
    Text internalLinkCount = "2";  // 内链调用数
    Text generateCount = "20";     // 生成数量
    Text intervalMinutes = "60";   // 间隔时间
    Text comboText;                // 组合框1: text of the selected item, empty for none

    bool operator==(const SiteSettings&) const = default;
};

// A profile as read: the two lines and what readers take from them.
struct SiteProfile {
    Text text;  // the whole file text the lines were taken from
    Text line1;
    Text line2;
    TextList fields;  // line 1 split at "||"

    // Pieces of line 1 plus pieces of line 2, each split at "||" (a trailing
    // separator adds no piece, an empty line gives none).
    int partCount() const;
    bool isComplete() const { return partCount() >= kCompleteProfileParts; }
    // Field n (from 0) of line 1, empty when there is no such field.
    Text field(int n) const;
    // The text between key + "=" in line 2 and the next "||"; empty when not found.
    Text profileValue(const Text& key) const;
    // True exactly when profileValue(key) is "真".
    bool flag(const Text& key) const { return profileValue(key) == kTextTrue; }
};

// The profile folder <run dir>/数据库/list.
Text profileFolder(const Text& runDir);
// <run dir>/数据库/list/<domain>.txt
Text profilePath(const Text& runDir, const Text& domain);

// False for a domain that cannot be one file name in the profile folder: empty, "."
// or "..", containing "/" or a NUL byte, or longer than a file name may be (with
// ".txt" and the temporary suffix of the atomic write, in UTF-8 bytes on disk).
bool isUsableDomainFileName(const Text& domain);

// The two lines writeProfile writes, joined by CR LF, without a trailing line break.
Text profileText(const SiteSettings& settings);

// Writes <run dir>/数据库/list/<settings.domain>.txt whole, creating or replacing it.
// False when the domain is not usable as a file name (nothing is written then) or the
// write fails.
bool writeProfile(const Text& runDir, const SiteSettings& settings);

// Reads the site's profile file: bytes up to the first NUL, line 1 and line 2 are the
// first two pieces split at CR LF. A missing or unreadable file gives an empty
// profile (part count 0).
SiteProfile readProfile(const Text& runDir, const Text& siteName);

// The generation pass's reading of a file text: blank lines are cleaned
// (cleanBlankLines) and line 1 and line 2 are taken with pickLine.
SiteProfile parseProfile(const Text& fileText);

// The value of key in any text ("key=" up to the next "||"); the task runner applies
// it to the whole file text.
Text profileValueIn(const Text& text, const Text& key);

// The form as loadSite fills it from a profile: line-1 fields 0-7 and the line-2 keys
// (选择框5 and 间隔时间 are not read: news follows 选择框6, the interval keeps
// the fresh default).
SiteSettings settingsFromProfile(const SiteProfile& profile);

}  // namespace qm
