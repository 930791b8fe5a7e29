// UTF-8 encoding, validation and character boundaries.
#include "core/utf8.h"

#include <string.h>

static bool is_continuation(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

uint32_t utf8_encode(uint32_t cp, char *out)
{
    if (cp < 0x80) {
        out[0] = (char) cp;
        return 1;
    }
    if (cp < 0x800) {
        out[0] = (char) (0xC0 | (cp >> 6));
        out[1] = (char) (0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp >= 0xD800 && cp <= 0xDFFF) return 0;
    if (cp < 0x10000) {
        out[0] = (char) (0xE0 | (cp >> 12));
        out[1] = (char) (0x80 | ((cp >> 6) & 0x3F));
        out[2] = (char) (0x80 | (cp & 0x3F));
        return 3;
    }
    if (cp > 0x10FFFF) return 0;
    out[0] = (char) (0xF0 | (cp >> 18));
    out[1] = (char) (0x80 | ((cp >> 12) & 0x3F));
    out[2] = (char) (0x80 | ((cp >> 6) & 0x3F));
    out[3] = (char) (0x80 | (cp & 0x3F));
    return 4;
}

uint32_t utf8_sequence_length(const char *text)
{
    const unsigned char *p = (const unsigned char *) text;
    unsigned char c = *p;
    if (c < 0x80) return c ? 1 : 0;
    // The second byte's range rules out overlong forms, surrogates and
    // values above U+10FFFF.
    uint32_t n;
    unsigned char lo = 0x80, hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        if (c == 0xE0) lo = 0xA0;
        if (c == 0xED) hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        if (c == 0xF0) lo = 0x90;
        if (c == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    if (p[1] < lo || p[1] > hi) return 0;
    for (uint32_t i = 2; i < n; i++)
        if (!is_continuation(p[i])) return 0;
    return n;
}

bool utf8_valid(const char *text)
{
    const char *p = text, *end = text + strlen(text);
    while (p < end) {
        // Whole files pass through here: runs of ASCII go eight bytes at a
        // time.
        uint64_t word;
        while (end - p >= 8 && (memcpy(&word, p, 8), (word & 0x8080808080808080ull) == 0))
            p += 8;
        if (p == end) break;
        if ((unsigned char) *p < 0x80) {
            p++;
            continue;
        }
        uint32_t n = utf8_sequence_length(p);
        if (!n) return false;
        p += n;
    }
    return true;
}

size_t utf8_cut(const char *text, size_t max)
{
    size_t n = strnlen(text, max + 1);
    if (n <= max) return n;
    // text[max] is the first byte left out. When it continues a character,
    // back off to that character's first byte (at most three bytes back),
    // provided the character does run past the cut.
    size_t cut = max;
    while (cut > 0 && max - cut < 3 && is_continuation((unsigned char) text[cut]))
        cut--;
    unsigned char c = (unsigned char) text[cut];
    size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    return cut < max && cut + length > max ? cut : max;
}
