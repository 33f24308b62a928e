#include "collect/cookies.h"

#include <algorithm>

namespace qm {
namespace {

const Text kSetCookie = "Set-Cookie";
const Text kSetCookieColon = "Set-Cookie:";
const Text kDeletedSuffix = "=deleted";

// The name of a cookie entry: the text before its first "=", trimmed; an entry
// without "=" is its own name.
Text entryName(const Text& entry) {
    const int eq = find_text(entry, "=");
    if (eq == -1) return entry;
    return trim_text(left_text(entry, eq - 1));
}

Text joinEntries(const TextList& entries, const Text& separator) {
    Text joined;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i > 0) joined += separator;
        joined += entries[i];
    }
    return joined;
}

}  // namespace

Text responseCookieText(const Text& responseHeaders) {
    // Header names come in any letter case (HTTP/2 sends them in lower case).
    const Text headers = replace_text(responseHeaders, kSetCookie, kSetCookie);
    Text cookies;
    for (const Text& line : split_text(headers, "\r\n")) {
        if (find_text(line, kSetCookie) == -1) continue;
        Text entry;
        if (find_text(line, ";") == -1) {
            entry = trim_text(replace_text(line, kSetCookieColon, ""));
        } else {
            entry = trim_text(text_between(line, kSetCookieColon, ";"));
        }
        cookies += entry;
        cookies += "; ";
    }
    return left_text(cookies, byte_length(cookies) - 2);
}

Text mergeCookies(Text& stored, Text& fresh) {
    stored = remove_spaces(stored);
    fresh = remove_spaces(fresh);
    const TextList storedEntries = split_text(stored, ";");
    const TextList freshEntries = split_text(fresh, ";");

    TextList merged = freshEntries;
    for (const Text& entry : storedEntries) {
        const Text name = entryName(entry);
        const bool overridden =
            std::any_of(freshEntries.begin(), freshEntries.end(),
                        [&](const Text& freshEntry) { return entryName(freshEntry) == name; });
        if (!overridden) merged.push_back(entry);
    }

    Text joined;
    for (const Text& entry : merged) {
        if (right_text(entry, byte_length(kDeletedSuffix)) == kDeletedSuffix) continue;
        joined += entry;
        joined += "; ";
    }
    joined = left_text(joined, byte_length(joined) - 2);

    TextList unique;
    for (const Text& entry : split_text(joined, "; ")) {
        if (std::find(unique.begin(), unique.end(), entry) == unique.end()) {
            unique.push_back(entry);
        }
    }
    stored = joinEntries(unique, "; ");
    return stored;
}

}  // namespace qm
