// POSIX extended regular expressions over the C++ standard library, for the
// Windows build, whose C library has none. The adapter's own names carry the
// tlrx_ prefix so that the native build can hold it beside the C library's
// engine (the two are compared by a differential test); core/regex.h maps the
// standard names onto it on Windows.
#ifndef TL_CORE_POSIX_REGEX_H
#define TL_CORE_POSIX_REGEX_H

#include <stddef.h>

typedef int tlrx_off;

struct tlrx_match {
    tlrx_off rm_so; // offset of the span's first byte, -1 when the group did not take part
    tlrx_off rm_eo; // offset just past the span, -1 when the group did not take part
};

struct tlrx_t {
    size_t re_nsub; // number of parenthesised groups
    void *impl;     // the compiled expression; owned, released by tlrx_free
};

// Compile flags.
const int TLRX_EXTENDED = 1;
const int TLRX_ICASE = 2;
const int TLRX_NOSUB = 4;
// Match flags.
const int TLRX_NOTBOL = 1;
// Results other than 0.
const int TLRX_NOMATCH = 1;
const int TLRX_BADPAT = 2;
const int TLRX_ESPACE = 12;

// Compiles pattern: 0 on success, TLRX_BADPAT when the pattern is malformed
// (then nothing needs releasing).
int tlrx_comp(tlrx_t *re, const char *pattern, int cflags);
// Finds the leftmost-longest match in text: 0 and up to nmatch spans (slot 0
// the whole match, unused slots -1), or TLRX_NOMATCH; TLRX_BADPAT for re
// whose compilation failed, TLRX_ESPACE when the engine gives up.
int tlrx_exec(const tlrx_t *re, const char *text, size_t nmatch, tlrx_match *pmatch, int eflags);
// Releases what tlrx_comp built.
void tlrx_free(tlrx_t *re);

#endif
