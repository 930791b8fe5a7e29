// UTF-8 sequences: encoding a code point, checking a text, and cutting a
// text at a character boundary.
#ifndef TL_CORE_UTF8_H
#define TL_CORE_UTF8_H

#include <stddef.h>
#include <stdint.h>

// Writes the UTF-8 bytes of code point cp to out (room for 4) and returns
// their number; 0 (nothing written) for a surrogate (U+D800 to U+DFFF) or a
// value above U+10FFFF.
uint32_t utf8_encode(uint32_t cp, char *out);
// The length of the well-formed UTF-8 character at p (1 for ASCII, 2 to 4),
// or 0 when p starts none: a stray continuation byte, a cut or overlong
// sequence, a surrogate, a value above U+10FFFF, or the terminating zero.
uint32_t utf8_sequence_length(const char *p);
// 1 when the zero-terminated text is well-formed UTF-8 throughout.
bool utf8_valid(const char *text);
// The length of the longest start of text of at most max bytes that does not
// end inside a character (text has at least max bytes, or ends earlier).
size_t utf8_cut(const char *text, size_t max);

#endif
