// Case folding tables and the folded comparisons.
#include "core/text_case.h"

#include <string.h>

#include "core/utf8.h"

// The upper-case letters of the folding blocks and their lower case: a run
// of letters that each have their lower case delta code points on, or a run
// of pairs (every second code point from first to last, each with its lower
// case right after it).
struct CaseRun {
    uint16_t first, last;
    int16_t delta; // 0: pairs
};

static constexpr CaseRun CASE_RUNS[] = {
    // Latin-1 Supplement (× and ÷ are no letters; ß and ÿ have no upper
    // case of their own here, but Ÿ of Latin Extended-A is ÿ's)
    {0x00C0, 0x00D6, 0x20},
    {0x00D8, 0x00DE, 0x20},
    {0x0178, 0x0178, 0x00FF - 0x0178},
    // Latin Extended-A (İ, ı, ĸ, ŉ and ſ have no one-to-one partner)
    {0x0100, 0x012E, 0},
    {0x0132, 0x0136, 0},
    {0x0139, 0x0147, 0},
    {0x014A, 0x0176, 0},
    {0x0179, 0x017D, 0},
    // Greek (final sigma and the symbol variants ϐ ϑ ϕ ϖ ϰ ϱ ϴ ϵ are left
    // alone: each shares its upper case with another letter)
    {0x0370, 0x0372, 0},
    {0x0376, 0x0376, 0},
    {0x037F, 0x037F, 0x03F3 - 0x037F},
    {0x0386, 0x0386, 0x03AC - 0x0386},
    {0x0388, 0x038A, 0x03AD - 0x0388},
    {0x038C, 0x038C, 0x03CC - 0x038C},
    {0x038E, 0x038F, 0x03CD - 0x038E},
    {0x0391, 0x03A1, 0x20},
    {0x03A3, 0x03AB, 0x20},
    {0x03CF, 0x03CF, 0x03D7 - 0x03CF},
    {0x03D8, 0x03EE, 0},
    {0x03F7, 0x03F7, 0},
    {0x03F9, 0x03F9, 0x03F2 - 0x03F9},
    {0x03FA, 0x03FA, 0},
    {0x03FD, 0x03FF, 0x037B - 0x03FD},
    // Cyrillic
    {0x0400, 0x040F, 0x50},
    {0x0410, 0x042F, 0x20},
    {0x0460, 0x0480, 0},
    {0x048A, 0x04BE, 0},
    {0x04C0, 0x04C0, 0x04CF - 0x04C0},
    {0x04C1, 0x04CD, 0},
    {0x04D0, 0x04FE, 0},
};

static constexpr uint16_t utf8_pair(uint32_t cp)
{
    return (uint16_t) (((0xC0 | (cp >> 6)) << 8) | (0x80 | (cp & 0x3F)));
}

constexpr CaseTables::CaseTables() : fold(), upper()
{
    for (uint32_t i = 0; i < CASE_TABLE_SIZE; i++)
        fold[i] = utf8_pair(i + 0x80);
    for (const CaseRun &r : CASE_RUNS) {
        uint32_t step = r.delta ? 1 : 2;
        for (uint32_t cp = r.first; cp <= r.last; cp += step) {
            uint32_t lower = r.delta ? (uint32_t) ((int32_t) cp + r.delta) : cp + 1;
            fold[cp - 0x80] = utf8_pair(lower);
            upper[lower - 0x80] = utf8_pair(cp);
        }
    }
}

constexpr CaseTables CASE_TABLES;

void fold_text(char *out, const char *text)
{
    while (*text) {
        char f[2];
        uint32_t n = fold_char(text, f);
        out[0] = f[0];
        if (n == 2) out[1] = f[1];
        out += n;
        text += n;
    }
    *out = 0;
}

void fold_copy(char *out, size_t size, const char *text)
{
    size_t n = utf8_cut(text, size - 1);
    memcpy(out, text, n);
    out[n] = 0;
    fold_text(out, out);
}

bool folded_starts_with(const char *text, const char *folded, size_t n)
{
    const unsigned char *t = (const unsigned char *) text, *f = (const unsigned char *) folded;
    size_t i = 0;
    while (i < n) {
        unsigned char c = t[i];
        if (c < 0x80) {
            // A text that ends before n bytes fails here on its zero.
            if (ascii_fold(c) != f[i]) return false;
            i++;
            continue;
        }
        int k = case_index(t + i);
        if (k < 0) {
            if (c != f[i]) return false;
            i++;
            continue;
        }
        uint16_t pair = CASE_TABLES.fold[k];
        if ((pair >> 8) != f[i]) return false;
        // n may end inside the character: only its first byte counts then.
        if (i + 1 < n && (pair & 0xFF) != f[i + 1]) return false;
        i += 2;
    }
    return true;
}

// A text's folded bytes one at a time.
struct FoldStream {
    const char *p; // the next character
    char folded[2];
    uint32_t have, used;
};

static unsigned char next_folded(FoldStream *s)
{
    if (s->used == s->have) {
        if (!*s->p) return 0;
        s->have = fold_char(s->p, s->folded);
        s->p += s->have;
        s->used = 0;
    }
    return (unsigned char) s->folded[s->used++];
}

bool fold_equal(const char *a, const char *b, size_t n)
{
    FoldStream x = {a, {0, 0}, 0, 0}, y = {b, {0, 0}, 0, 0};
    for (size_t i = 0; i < n; i++) {
        unsigned char c = next_folded(&x);
        if (c != next_folded(&y)) return false;
        if (!c) break;
    }
    return true;
}

uint32_t upper_partner(const char *folded, uint32_t len, char *out)
{
    unsigned char c = (unsigned char) folded[0];
    if (len == 1) {
        if ((unsigned) (c - 'a') >= 26u) return 0;
        out[0] = (char) (c - ('a' - 'A'));
        return 1;
    }
    int k = case_index((const unsigned char *) folded);
    if (k < 0 || !CASE_TABLES.upper[k]) return 0;
    out[0] = (char) (CASE_TABLES.upper[k] >> 8);
    out[1] = (char) CASE_TABLES.upper[k];
    return 2;
}
