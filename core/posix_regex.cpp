// The regular-expression adapter: std::regex with its POSIX extended grammar.
// The standard library reports bad patterns by throwing; the adapter turns that
// into the POSIX error result so that no exception leaves it.
#include "core/posix_regex.h"

#include <regex>

int tlrx_comp(tlrx_t *re, const char *pattern, int cflags)
{
    std::regex::flag_type f = std::regex::extended;
    if (cflags & TLRX_ICASE) f |= std::regex::icase;
    if (cflags & TLRX_NOSUB) f |= std::regex::nosubs;
    re->impl = nullptr;
    re->re_nsub = 0;
    try {
        std::regex *r = new std::regex(pattern, f);
        re->impl = r;
        re->re_nsub = r->mark_count();
    } catch (...) {
        return TLRX_BADPAT;
    }
    return 0;
}

int tlrx_exec(const tlrx_t *re, const char *text, size_t nmatch, tlrx_match *pmatch, int eflags)
{
    const std::regex *r = static_cast<const std::regex *>(re->impl);
    if (!r) return TLRX_BADPAT; // a pattern that did not compile matches nothing
    std::regex_constants::match_flag_type mf = std::regex_constants::match_default;
    if (eflags & TLRX_NOTBOL) mf |= std::regex_constants::match_not_bol;
    std::cmatch m;
    try {
        if (!std::regex_search(text, m, *r, mf)) return TLRX_NOMATCH;
    } catch (...) {
        return TLRX_ESPACE;
    }
    for (size_t i = 0; i < nmatch; i++) {
        if (i < m.size() && m[i].matched) {
            pmatch[i].rm_so = (tlrx_off) (m[i].first - text);
            pmatch[i].rm_eo = (tlrx_off) (m[i].second - text);
        } else {
            pmatch[i].rm_so = -1;
            pmatch[i].rm_eo = -1;
        }
    }
    return 0;
}

void tlrx_free(tlrx_t *re)
{
    delete static_cast<std::regex *>(re->impl);
    re->impl = nullptr;
}
