// URL and date parsing.
//
// A URL is whatever the URL pattern (checker/patterns.h) finds first in the
// text, anywhere in it, compared without regard to case:
//
//   [scheme "://"] host [":" digits] path [trailing part]
//
// The scheme is looked up by the letters of each table name in turn, so
// "https" is https and "httpx" still counts as http; the host runs over
// letters, digits and -%@=&;?$_.+!*'(),; the path adds "/", and stops at the
// first character outside that class (a blank, a tilde, a "#"...). Nothing
// here checks that the host is a plausible name: the lookup decides that.
//
// A date is read from the text after "odified:" (so «Last-Modified:» and
// «Last-modified:» both count) in one of two shapes:
//
//   A  weekday [","] day ("-"|" ")+ month ("-"|" ")+ year hour:minute:second
//   B  weekday month day hour:minute:second year
//
// which take «Sun, 06 Nov 1994 08:49:37 GMT», «Sunday, 06-Nov-94 08:49:37 GMT»
// and «Sun Nov  6 08:49:37 1994». Whatever follows (the zone) is not read:
// every date is GMT.
#include "checker/url_date.h"

#include <stdio.h>
#include <string.h>

#include "checker/patterns.h"
#include "core/dupstr.h"
#include "core/mem.h"
#include "core/vstr.h"
#include "store/bookmark.h"

namespace
{

// Searched in this order; a scheme agrees with the first name that its text
// begins with.
const struct {
    const char *name;
    int32_t code;
} schemes[] = {
    {"https", SCHEME_HTTPS}, {"http", SCHEME_HTTP}, {"ftp", SCHEME_FTP}, {"file", SCHEME_FILE}};
const char *const month_names[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

char ascii_lower(char c)
{
    return c >= 'A' && c <= 'Z' ? (char) (c - 'A' + 'a') : c;
}

// 1 when the first strlen(name) characters of text equal name, ignoring ASCII
// case. text may be shorter: its terminator then differs.
int starts_with_nocase(const char *text, const char *name)
{
    for (; *name; text++, name++)
        if (ascii_lower(*text) != ascii_lower(*name)) return 0;
    return 1;
}

bool span_used(regmatch_t span)
{
    return span.rm_so >= 0 && span.rm_eo > span.rm_so;
}

char *span_dup(const char *text, regmatch_t span)
{
    size_t n = (size_t) (span.rm_eo - span.rm_so);
    char *out = (char *) memAlloc(n + 1);
    memcpy(out, text + span.rm_so, n);
    out[n] = 0;
    return out;
}

// Days from 1970-01-01 to the first of month (0-11) of year, proleptic
// Gregorian calendar, for any year a 32-bit field can hold.
int64_t days_from_civil(int64_t year, int month)
{
    int m = month + 1;
    if (m <= 2) year--;
    int64_t era = (year >= 0 ? year : year - 399) / 400;
    int64_t yoe = year - era * 400;
    int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5;
    int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// RFC-style removal of "." and ".." segments from a path that begins with
// "/", appended to out.
void append_without_dots(vstr *out, const char *path)
{
    uint32_t base = out->length;
    const char *in = path;
    while (*in) {
        if (strncmp(in, "/./", 3) == 0) {
            in += 2;
        } else if (strcmp(in, "/.") == 0) {
            in = "/";
        } else if (strncmp(in, "/../", 4) == 0 || strcmp(in, "/..") == 0) {
            in = in[3] ? in + 3 : "/";
            // Drop the last segment written, with its leading "/".
            uint32_t cut = out->length;
            while (cut > base && out->data[cut - 1] != '/')
                cut--;
            if (cut > base) cut--;
            out->length = cut;
            out->data[cut] = 0;
        } else {
            const char *end = strchr(in + 1, '/');
            uint32_t n = end ? (uint32_t) (end - in) : (uint32_t) strlen(in);
            vstrAppendPrimative(out, in, n);
            in += n;
        }
    }
}

// 1 when text begins with a scheme name and ":", as a reference that stands
// on its own does.
int has_scheme(const char *text)
{
    char c = ascii_lower(text[0]);
    if (c < 'a' || c > 'z') return 0;
    for (const char *p = text + 1;; p++) {
        c = ascii_lower(*p);
        if (c == ':') return 1;
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'))
            return 0;
    }
}

} // namespace

static PatternFaultHook pattern_fault_hook;

void set_pattern_fault_hook(PatternFaultHook hook)
{
    pattern_fault_hook = hook;
}

uint16_t default_port(int32_t scheme)
{
    switch (scheme) {
    case SCHEME_NONE:
    case SCHEME_HTTP: return 80;
    case SCHEME_HTTPS: return 443;
    case SCHEME_FTP: return 21;
    default: return 0;
    }
}

// The patterns are compiled once, on first use, by whichever thread comes
// first (the checker thread and the main thread both read URLs), and kept
// for the whole run: compiling costs milliseconds where the standard
// library's engine serves, more than the rest of a probe on loopback.
// Matching reads a compiled pattern only, so both threads may match at once.
namespace
{
const struct {
    const char *text;
    int cflags;
} pattern_table[] = {
    {URL_PATTERN, REG_EXTENDED | REG_ICASE},   {LAST_MODIFIED_PATTERN_A, REG_EXTENDED},
    {LAST_MODIFIED_PATTERN_B, REG_EXTENDED},   {STATUS_PATTERN, REG_EXTENDED},
    {LOCATION_PATTERN, REG_EXTENDED | REG_ICASE},
};
const int PATTERN_COUNT = (int) (sizeof pattern_table / sizeof pattern_table[0]);

struct CompiledPatterns {
    regex_t re[PATTERN_COUNT];
    bool ok[PATTERN_COUNT];
    CompiledPatterns()
    {
        for (int i = 0; i < PATTERN_COUNT; i++)
            ok[i] = regcomp(&re[i], pattern_table[i].text, pattern_table[i].cflags) == 0;
    }
};
} // namespace

const regex_t *checker_pattern(CheckerPattern which)
{
    static const CompiledPatterns patterns; // initialised once, also when two threads race
    if (pattern_fault_hook && pattern_fault_hook(pattern_table[which].text)) return nullptr;
    return patterns.ok[which] ? &patterns.re[which] : nullptr;
}

int split_url(const char *url, UrlParts *parts)
{
    parts->scheme = SCHEME_NONE;
    parts->host = nullptr;
    parts->path = nullptr;
    parts->port = 0;
    if (!url) return 0;

    const regex_t *re = checker_pattern(PATTERN_URL);
    regmatch_t m[10];
    if (!re || regexec(re, url, 10, m, 0) != 0) return 0;
    if (span_used(m[2])) {
        for (const auto &s : schemes) {
            if (starts_with_nocase(url + m[2].rm_so, s.name)) {
                parts->scheme = s.code;
                break;
            }
        }
    }
    parts->host = span_dup(url, m[5]);
    parts->port =
        span_used(m[7]) ? (uint16_t) match_number(url, m[7]) : default_port(parts->scheme);
    if (span_used(m[8])) parts->path = span_dup(url, m[8]);
    return 1;
}

void free_url_parts(UrlParts *parts)
{
    memFree(parts->host);
    memFree(parts->path);
    parts->host = nullptr;
    parts->path = nullptr;
}

char *resolve_url(const char *base, const char *reference)
{
    UrlParts b;
    if (has_scheme(reference) || !split_url(base, &b)) return dupstr(reference);

    vstr out;
    vstrInit(&out);
    for (const auto &s : schemes) {
        if (s.code != b.scheme) continue;
        vstrAppend(&out, s.name);
        vstrAppendCh(&out, ':');
    }
    if (reference[0] == '/' && reference[1] == '/') {
        vstrAppend(&out, reference);
        free_url_parts(&b);
        return vstrDetach(&out);
    }
    if (b.scheme != SCHEME_NONE) vstrAppend(&out, "//");
    vstrAppend(&out, b.host);
    if (b.port != default_port(b.scheme)) {
        char port[8];
        snprintf(port, sizeof port, ":%u", (unsigned) b.port);
        vstrAppend(&out, port);
    }

    // The base's path and query (the path class takes "?" in), and the
    // reference's, each without a fragment.
    const char *base_path = b.path ? b.path : "/";
    size_t base_path_len = strcspn(base_path, "?");
    size_t ref_len = strcspn(reference, "#");
    size_t ref_path_len = strcspn(reference, "?#");

    vstr path;
    vstrInit(&path);
    if (ref_path_len == 0) {
        if (base_path[0] != '/') vstrAppendCh(&path, '/');
        vstrAppendPrimative(&path, base_path, (uint32_t) base_path_len);
    } else if (reference[0] == '/') {
        vstrAppendPrimative(&path, reference, (uint32_t) ref_path_len);
    } else {
        // Merge: the base path up to its last "/", then the reference.
        size_t dir = base_path_len;
        while (dir > 0 && base_path[dir - 1] != '/')
            dir--;
        if (dir == 0 || base_path[0] != '/') vstrAppendCh(&path, '/');
        vstrAppendPrimative(&path, base_path, (uint32_t) dir);
        vstrAppendPrimative(&path, reference, (uint32_t) ref_path_len);
    }
    append_without_dots(&out, path.data);
    vstrClear(&path);

    if (ref_len > ref_path_len)
        vstrAppendPrimative(&out, reference + ref_path_len, (uint32_t) (ref_len - ref_path_len));
    else if (ref_path_len == 0 && base_path[base_path_len])
        vstrAppend(&out, base_path + base_path_len);

    free_url_parts(&b);
    return vstrDetach(&out);
}

uint32_t match_number(const char *text, regmatch_t span)
{
    uint32_t value = 0;
    if (span.rm_so < 0) return 0;
    for (regoff_t i = span.rm_so; i < span.rm_eo; i++)
        value = value * 10 + (uint32_t) (text[i] - '0');
    return value;
}

uint32_t gmt_to_time(const char *text, regmatch_t day, regmatch_t month, regmatch_t year,
                     regmatch_t hour, regmatch_t minute, regmatch_t second)
{
    if (month.rm_so < 0) return DATE_NONE;
    int mon = -1;
    for (int i = 0; i < 12; i++) {
        if (starts_with_nocase(text + month.rm_so, month_names[i])) {
            mon = i;
            break;
        }
    }
    if (mon < 0) return DATE_NONE;

    // The fields are held as a broken-down calendar time holds them (32-bit
    // signed), then counted from 1970 directly, so that neither the machine's
    // time zone nor its daylight-saving rules can shift the result.
    uint32_t y = match_number(text, year);
    if (y < 100) y += 1900;
    int64_t seconds = days_from_civil((int32_t) y, mon) * 86400 +
                      ((int64_t) (int32_t) match_number(text, day) - 1) * 86400 +
                      (int64_t) (int32_t) match_number(text, hour) * 3600 +
                      (int64_t) (int32_t) match_number(text, minute) * 60 +
                      (int64_t) (int32_t) match_number(text, second);
    if (seconds < 0 || seconds >= (int64_t) DATE_CHECKING) return DATE_NONE;
    return (uint32_t) seconds;
}

uint32_t parse_last_modified(const char *reply)
{
    const regex_t *a = checker_pattern(PATTERN_DATE_A);
    const regex_t *b = checker_pattern(PATTERN_DATE_B);
    if (!a || !b) return DATE_FAILED;
    regmatch_t m[7];
    if (regexec(a, reply, 7, m, 0) == 0)
        return gmt_to_time(reply, m[1], m[2], m[3], m[4], m[5], m[6]);
    if (regexec(b, reply, 7, m, 0) == 0)
        return gmt_to_time(reply, m[2], m[1], m[6], m[3], m[4], m[5]);
    return DATE_NONE;
}
