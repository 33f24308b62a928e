#include "foundation/gbk_codec.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>

namespace qm {
namespace {

// One conversion descriptor per thread and direction, opened on first use. glibc's
// CP936 is Windows code page 936 (0x80 is the euro sign); "GBK" is the fallback name.
class Converter {
  public:
    Converter(const char* to, const char* from) {
        cd_ = iconv_open(to, from);
        if (cd_ == invalid()) {
            cd_ = iconv_open(to[0] == 'U' ? to : "GBK", from[0] == 'U' ? from : "GBK");
        }
    }
    ~Converter() {
        if (cd_ != invalid()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool ok() const { return cd_ != invalid(); }

    // Converts as much of [in, in + inLeft) as it can into out, advancing both.
    // Returns 0 when everything was converted, else errno (EILSEQ, EINVAL, E2BIG).
    int convert(const char*& in, std::size_t& inLeft, char*& out, std::size_t& outLeft) {
        char* src = const_cast<char*>(in);  // iconv's interface is not const-correct
        const std::size_t rc = iconv(cd_, &src, &inLeft, &out, &outLeft);
        in = src;
        if (rc != static_cast<std::size_t>(-1)) return 0;
        const int err = errno;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
        return err;
    }

  private:
    static iconv_t invalid() { return reinterpret_cast<iconv_t>(-1); }
    iconv_t cd_;
};

Converter& gbk_decoder() {
    thread_local Converter converter("UTF-8", "CP936");
    return converter;
}

Converter& gbk_encoder() {
    thread_local Converter converter("CP936", "UTF-8");
    return converter;
}

bool is_ascii(std::string_view s) {
    for (char c : s) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

unsigned char at(std::string_view s, std::size_t i) {
    return static_cast<unsigned char>(s[i]);
}

bool in_range(unsigned char b, unsigned char lo, unsigned char hi) {
    return b >= lo && b <= hi;
}

// Length of the UTF-8 sequence at p. valid tells whether it is a well-formed
// character; when it is not, the length is that of the maximal ill-formed subpart
// (at least 1), which becomes one replacement character.
std::size_t utf8_sequence(std::string_view s, std::size_t p, bool& valid) {
    const unsigned char b = at(s, p);
    valid = false;
    if (b < 0x80) {
        valid = true;
        return 1;
    }
    std::size_t need = 0;
    unsigned char lo = 0x80;
    unsigned char hi = 0xBF;
    if (in_range(b, 0xC2, 0xDF)) {
        need = 1;
    } else if (in_range(b, 0xE0, 0xEF)) {
        need = 2;
        if (b == 0xE0) lo = 0xA0;
        if (b == 0xED) hi = 0x9F;  // no surrogates
    } else if (in_range(b, 0xF0, 0xF4)) {
        need = 3;
        if (b == 0xF0) lo = 0x90;
        if (b == 0xF4) hi = 0x8F;  // nothing above U+10FFFF
    } else {
        return 1;
    }
    std::size_t len = 1;
    for (std::size_t i = 0; i < need; ++i) {
        if (p + len >= s.size()) return len;
        const unsigned char c = at(s, p + len);
        if (i == 0 ? !in_range(c, lo, hi) : !in_range(c, 0x80, 0xBF)) return len;
        ++len;
    }
    valid = true;
    return len;
}

// Length of the GBK character at p that could not be converted: two bytes when the
// byte pair is shaped like a double-byte character, else one, so an ASCII byte after
// a damaged lead byte survives.
std::size_t bad_gbk_length(const char* in, std::size_t inLeft) {
    const unsigned char b = static_cast<unsigned char>(in[0]);
    if (b >= 0x81 && b <= 0xFE && inLeft >= 2) {
        const unsigned char t = static_cast<unsigned char>(in[1]);
        if (t >= 0x40 && t <= 0xFE && t != 0x7F) return 2;
    }
    return 1;
}

}  // namespace

std::string gbk_to_utf8(std::string_view gbk) {
    if (is_ascii(gbk)) return std::string(gbk);
    Converter& decoder = gbk_decoder();
    std::string out(gbk.size() * 3 + 4, '\0');  // a GBK byte never yields more than 3
    char* dst = out.data();
    std::size_t dstLeft = out.size();
    const char* src = gbk.data();
    std::size_t srcLeft = gbk.size();
    while (srcLeft > 0) {
        const int err = decoder.ok() ? decoder.convert(src, srcLeft, dst, dstLeft) : EILSEQ;
        if (err == 0) break;
        if (err == E2BIG || dstLeft == 0) break;  // cannot happen with the size above
        const std::size_t skip = err == EINVAL ? srcLeft : bad_gbk_length(src, srcLeft);
        src += skip;
        srcLeft -= skip;
        *dst++ = '?';
        --dstLeft;
    }
    out.resize(out.size() - dstLeft);
    return out;
}

std::string utf8_to_gbk(std::string_view utf8) {
    const std::size_t nul = utf8.find('\0');
    if (nul != std::string_view::npos) utf8 = utf8.substr(0, nul);
    if (is_ascii(utf8)) return std::string(utf8);
    Converter& encoder = gbk_encoder();
    std::string out(utf8.size() + 4, '\0');  // GBK is never longer than UTF-8 here
    char* dst = out.data();
    std::size_t dstLeft = out.size();
    std::size_t p = 0;
    while (p < utf8.size()) {
        // Find the well-formed run starting at p; hand it to iconv in one call.
        std::size_t q = p;
        bool valid = true;
        std::size_t len = 0;
        while (q < utf8.size()) {
            len = utf8_sequence(utf8, q, valid);
            if (!valid) break;
            q += len;
        }
        const char* src = utf8.data() + p;
        std::size_t srcLeft = q - p;
        while (srcLeft > 0) {
            const int err = encoder.ok() ? encoder.convert(src, srcLeft, dst, dstLeft) : EILSEQ;
            if (err == 0) break;
            if (dstLeft == 0) break;
            // A well-formed character that GBK cannot encode.
            bool ignored = false;
            const std::size_t skip = utf8_sequence(std::string_view(src, srcLeft), 0, ignored);
            src += skip;
            srcLeft -= skip;
            *dst++ = '?';
            --dstLeft;
        }
        p = q;
        if (p < utf8.size()) {  // an ill-formed stretch: one '?'
            if (dstLeft > 0) {
                *dst++ = '?';
                --dstLeft;
            }
            p += len;
        }
    }
    out.resize(out.size() - dstLeft);
    return out;
}

bool is_valid_utf8(std::string_view bytes) {
    bool valid = true;
    for (std::size_t p = 0; p < bytes.size();) {
        p += utf8_sequence(bytes, p, valid);
        if (!valid) return false;
    }
    return true;
}

}  // namespace qm
