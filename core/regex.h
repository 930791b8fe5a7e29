// The POSIX regular-expression interface for portable code: the C library's
// natively, the standard-library adapter on Windows.
#ifndef TL_CORE_REGEX_H
#define TL_CORE_REGEX_H

#ifdef _WIN32
#include "core/posix_regex.h"

typedef tlrx_t regex_t;
typedef tlrx_match regmatch_t;
typedef tlrx_off regoff_t;

#define REG_EXTENDED TLRX_EXTENDED
#define REG_ICASE TLRX_ICASE
#define REG_NOSUB TLRX_NOSUB
#define REG_NOTBOL TLRX_NOTBOL
#define REG_NOMATCH TLRX_NOMATCH

inline int regcomp(regex_t *re, const char *pattern, int cflags)
{
    return tlrx_comp(re, pattern, cflags);
}
inline int regexec(const regex_t *re, const char *text, size_t nmatch, regmatch_t *pmatch,
                   int eflags)
{
    return tlrx_exec(re, text, nmatch, pmatch, eflags);
}
inline void regfree(regex_t *re)
{
    tlrx_free(re);
}
#else
#include <regex.h>
#endif

#endif
