// RegexObject: one regular expression run over one GBK subject text, and the
// answers about its matches (count, whole-match text, group text, replacement).
//
// Dialect: ECMAScript-like syntax (lazy quantifiers, numbered groups, \s \d \w,
// alternation, \xHH and \uHHHH escapes). The pattern and the subject are decoded from
// GBK to UTF-8 before matching, so a GBK double-byte character is one character to the
// pattern; every text handed back is GBK again. The dot matches any character but the
// line feed (a carriage return is matched by it). \s, \d, \w and \b know ASCII only, and
// ignoring case folds the ASCII letters only. Invalid GBK bytes in the subject are
// decoded as "?", so matchText and replace show "?" where such bytes stood.
//
// A search stops early, as though no further match existed, when the pattern
// backtracks beyond a fixed work limit (limitReached() then tells so): a hostile or
// pathological pattern over a 20 MB page ends instead of hanging.
//
// Nothing throws. A bad pattern makes create return false; every query then answers
// the empty text or 0, as do match and group numbers out of range.
//
// Ownership and threads: an object belongs to one thread. The compiled pattern and the
// matches (with the decoded subject they refer to) are immutable once create returns;
// clone() gives an object that shares them by reference count, so a clone may be read
// on another thread while the original lives on.
#pragma once

#include <memory>

#include "foundation/text_kit.h"

namespace qm {

class RegexObject {
  public:
    RegexObject();
    ~RegexObject();
    RegexObject(RegexObject&& other) noexcept;
    RegexObject& operator=(RegexObject&& other) noexcept;
    RegexObject(const RegexObject&) = delete;
    RegexObject& operator=(const RegexObject&) = delete;

    // Releases the pattern and the matches and clears the subject; the object is
    // empty again and may be used for a new create.
    void destroy();

    // A new object sharing the pattern and the matches, with a copy of the subject.
    RegexObject clone() const;

    // Compiles pattern with the given options and collects the matches in subject:
    // all of them when global is true, else the first one only. multiline lets "^" and
    // "$" match at line breaks. With quoteEscape every "#引号" in the pattern stands
    // for a double quote. True when the pattern compiled (whether or not it matched).
    bool create(const Text& pattern, const Text& subject, bool caseSensitive = false,
                bool multiline = true, bool global = true, bool quoteEscape = false);

    // The pattern of the last create (after "#引号" was resolved); empty before the
    // first create and after a failed one.
    Text pattern() const;

    // The subject with the collected matches replaced by replacement, in which "$1" to
    // "$99" stand for a group's text, "$&" for the whole match and "$$" for one "$";
    // every other "$" is literal. The object itself is unchanged. Empty after a failed
    // create or before the first.
    Text replace(const Text& replacement) const;

    int matchCount() const;
    // The whole text of match number (from 1); empty when out of range.
    Text matchText(int number) const;
    // The text of group (from 1) in match number (from 1); empty when either is out of
    // range or the group took no part in the match.
    Text submatchText(int number, int group) const;
    // The number of groups of the pattern, counted on the first match; 0 without one.
    int submatchCount() const;

    // True when the last search was cut short by the backtracking limit.
    bool limitReached() const;

  private:
    struct Compiled;
    struct MatchSet;

    std::shared_ptr<const Compiled> compiled_;
    std::shared_ptr<const MatchSet> matches_;
    Text pattern_;
};

}  // namespace qm
