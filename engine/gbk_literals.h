// Chinese literals in engine code. Source files are UTF-8 but engine texts are GBK,
// so a Chinese literal must be converted before it is compared with or written into
// a text.
//
// The rule the engine follows:
// - Constants that a header shares (profile keys, table and field names) are spelled
//   as GBK bytes in hex escapes, with the characters in a comment beside them. They
//   need no conversion at start-up and no initialisation order.
// - Literals used inside a .cpp file or a test are written readably with QM_GBK("栏目"):
//   the UTF-8 literal is converted once, on first use, and the GBK text is kept in a
//   function-local static of that very use. The result is a const Text&.
// - gbk(u8) converts on every call; use it for computed UTF-8 texts, not literals in
//   loops.
//
// Thread-safe: function-local statics are initialised once (C++ guarantees it).
#pragma once

#include <string_view>

#include "foundation/gbk_codec.h"
#include "foundation/text_kit.h"

namespace qm {

inline Text gbk(std::string_view utf8) {
    return utf8_to_gbk(utf8);
}

}  // namespace qm

// Each expansion is its own lambda, so each literal gets its own cached value.
#define QM_GBK(utf8_literal)                                                    \
    ([]() -> const ::qm::Text& {                                                \
        static const ::qm::Text qm_gbk_value = ::qm::utf8_to_gbk(utf8_literal); \
        return qm_gbk_value;                                                    \
    }())
