// What a word is made of, and how letters fold when case does not count.
// The one definition of both: the keyword splitter, the search expression
// scanner, the matcher, the keyword hint and the dictionary all use these, so
// that a word cut by one is the word the others see.
//
// Texts are UTF-8. Word bytes are the ASCII letters and digits and every byte
// of 128 and more, so a multi-byte character never splits a word.
//
// Folding turns to lower case the ASCII letters and the letters of Latin-1
// Supplement, Latin Extended-A, Greek and Cyrillic that have a one-to-one
// case mapping («É» and «é», «Ÿ» and «ÿ», «Σ» and «σ», «Ж» and «ж»). Every such
// letter takes two bytes in either case, so a folded text is exactly as long
// as the text, and folded texts compare byte for byte. A text is folded from
// its start, a character at a time; bytes that form no folding character stay
// as they are. URLs fold ASCII letters only (ascii_fold).
#ifndef TL_CORE_TEXT_CASE_H
#define TL_CORE_TEXT_CASE_H

#include <stddef.h>
#include <stdint.h>

// ASCII letters and digits, and every byte of 128 and more.
inline bool is_word_byte(unsigned char c)
{
    return c >= 0x80 || (unsigned) ((c | 0x20) - 'a') < 26u || (unsigned) (c - '0') < 10u;
}

// An ASCII upper-case letter in lower case; any other byte as it is.
inline unsigned char ascii_fold(unsigned char c)
{
    return (unsigned) (c - 'A') < 26u ? (unsigned char) (c + ('a' - 'A')) : c;
}

// The two-byte characters U+0080 to U+04FF, by code point - 0x80 (which is
// also (lead - 0xC2) * 64 + trail - 0x80): each one's folded form, and the
// upper-case partner of each folded letter (0 for none), as UTF-8 bytes in
// one number (lead * 256 + trail).
const uint32_t CASE_TABLE_SIZE = 0x500 - 0x80;
struct CaseTables {
    uint16_t fold[CASE_TABLE_SIZE];
    uint16_t upper[CASE_TABLE_SIZE];
    constexpr CaseTables();
};
extern const CaseTables CASE_TABLES;

// The table index of the two-byte character at p, or -1 when p starts none
// that lies in the tables.
inline int case_index(const unsigned char *p)
{
    if ((unsigned) (p[0] - 0xC2) > 0xD3 - 0xC2 || (p[1] & 0xC0) != 0x80) return -1;
    return (p[0] - 0xC2) * 64 + (p[1] - 0x80);
}

// Folds the character at p (not at its terminating zero): writes the folded
// bytes to out and returns their number, 1 or 2, which is also the number of
// bytes the character takes at p.
inline uint32_t fold_char(const char *p, char *out)
{
    const unsigned char *u = (const unsigned char *) p;
    if (u[0] < 0x80) {
        out[0] = (char) ascii_fold(u[0]);
        return 1;
    }
    int i = case_index(u);
    if (i < 0) {
        out[0] = p[0];
        return 1;
    }
    out[0] = (char) (CASE_TABLES.fold[i] >> 8);
    out[1] = (char) CASE_TABLES.fold[i];
    return 2;
}

// Writes the zero-terminated text folded to out, which has room for as many
// bytes and the terminating zero; out may be text itself.
void fold_text(char *out, const char *text);
// Writes text folded to out (size bytes, at least 1), cut to its first
// size - 1 bytes at a character boundary, zero-terminated: a keyword as the
// dictionary shows it when case does not count.
void fold_copy(char *out, size_t size, const char *text);
// 1 when the first n bytes of the zero-terminated text, folded, are
// folded[0..n) (which holds no zero byte); 0 otherwise, also when the text is
// shorter than n.
bool folded_starts_with(const char *text, const char *folded, size_t n);
// 1 when the first n bytes of a and of b fold to the same bytes (both at
// least n bytes long, or ending earlier at the same place).
bool fold_equal(const char *a, const char *b, size_t n);
// The upper-case partner of the folded character of len bytes (from
// fold_char) at folded: written to out, its length returned (the same len);
// 0 when the character has no other case.
uint32_t upper_partner(const char *folded, uint32_t len, char *out);

#endif
