// Cookie texts of the HTTP client: the cookies a response sets, and their merge into
// the cookie text a caller keeps between requests.
//
// A cookie text is a list of name=value entries separated by ";" (spaces around them
// carry no meaning). Pure functions on GBK texts; any thread.
#pragma once

#include "foundation/text_kit.h"

namespace qm {

// The cookie entries set by a block of response header lines (CR LF separated): for
// each line holding "Set-Cookie" the name=value part, trimmed, joined by "; ".
// "Set-Cookie" is matched in any letter case.
Text responseCookieText(const Text& responseHeaders);

// Merges the cookies of a response (fresh) into a stored cookie text: fresh entries
// first, then stored entries whose name fresh lacks, entries ending in "=deleted"
// dropped, exact duplicates removed, joined by "; ". Both arguments lose their spaces;
// the result is also written to stored.
Text mergeCookies(Text& stored, Text& fresh);

}  // namespace qm
