#include "collect/cookies.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

struct MergeCase {
    const char* what;
    Text stored;
    Text fresh;
    Text merged;
    Text freshAfter;
};

TEST(MergeCookies, FreshWinsStoredOnlyFollowsDeletedDisappearsDuplicatesGo) {
    const MergeCase cases[] = {
        {"fresh value replaces stored", "b=9; c=3", "a=1;b=2", "a=1; b=2; c=3", "a=1;b=2"},
        {"deleted cookie disappears", "a=1; c=3", "c=deleted", "a=1", "c=deleted"},
        {"stored-only entries keep their order", "x=1; y=2; z=3", "y=7", "y=7; x=1; z=3", "y=7"},
        {"no fresh cookies re-joins stored", "a = 1 ;b=2", "", "a=1; b=2", ""},
        {"exact duplicates removed", "a=1; a=1; b=2", "", "a=1; b=2", ""},
        {"same name, other value, both stored", "a=1; a=2", "", "a=1; a=2", ""},
        {"names compare case-sensitively", "A=1", "a=2", "a=2; A=1", "a=2"},
        {"entry without = is its own name", "flag; b=2", "flag", "flag; b=2", "flag"},
        {"full-width spaces removed too", "a\xA1\xA1=1", "", "a=1", ""},
        {"both empty", "", "", "", ""},
        {"trailing separator gives no empty entry", "a=1;", "b=2;", "b=2; a=1", "b=2;"},
        {"stored deleted entry is dropped as well", "s=deleted; t=1", "", "t=1", ""},
    };
    for (const MergeCase& c : cases) {
        Text stored = c.stored;
        Text fresh = c.fresh;
        const Text result = mergeCookies(stored, fresh);
        EXPECT_EQ(result, c.merged) << c.what;
        EXPECT_EQ(stored, c.merged) << c.what;
        EXPECT_EQ(fresh, c.freshAfter) << c.what;
    }
}

struct HeaderCase {
    const char* what;
    Text headers;
    Text cookies;
};

TEST(ResponseCookieText, TakesNameValueOfEverySetCookieLine) {
    const HeaderCase cases[] = {
        {"attributes cut at the first semicolon, any letter case",
         "set-cookie: a=1; path=/\r\nSet-Cookie: b=2\r\n", "a=1; b=2"},
        {"other headers ignored", "Content-Type: text/html\r\nSET-COOKIE: s=x; HttpOnly\r\n",
         "s=x"},
        {"no cookies", "Content-Type: text/html\r\nContent-Length: 3\r\n", ""},
        {"empty block", "", ""},
        {"value holding = signs", "Set-Cookie: t=a=b; Max-Age=1\r\n", "t=a=b"},
    };
    for (const HeaderCase& c : cases) {
        EXPECT_EQ(responseCookieText(c.headers), c.cookies) << c.what;
    }
}

}  // namespace
}  // namespace qm
