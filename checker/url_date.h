// URL and date parsing for the link checker: cutting a bookmark's URL into
// scheme, host, port and path; resolving a redirect target against the URL
// that was requested; reading the Last-Modified date of an HTTP reply. These
// are pure text functions: every call compiles its pattern, matches once and
// frees it again, so they are safe on any thread.
#ifndef TL_CHECKER_URL_DATE_H
#define TL_CHECKER_URL_DATE_H

#include <stdint.h>

#include "core/regex.h"

// Scheme codes, from the scheme table "https", "http", "ftp", "file".
const int32_t SCHEME_NONE = 0; // no scheme in the text, or one not in the table
const int32_t SCHEME_HTTP = 1;
const int32_t SCHEME_FTP = 2;
const int32_t SCHEME_FILE = 3;
const int32_t SCHEME_HTTPS = 4;

struct UrlParts {
    int32_t scheme; // SCHEME_*
    char *host;     // heap text, never empty after a successful split; the caller's
    char *path;     // heap text of at least one character, or null; the caller's
    uint16_t port;  // the explicit port (kept in 16 bits), else the scheme's default
};

// The checker's patterns (checker/patterns.h).
enum CheckerPattern {
    PATTERN_URL,
    PATTERN_DATE_A,
    PATTERN_DATE_B,
    PATTERN_STATUS,
    PATTERN_LOCATION,
};
// The pattern compiled, once for the run, on first use by any thread; only
// read afterwards, so both threads may match with it at once. Null when the
// engine refused it: the operation that needs it then fails.
const regex_t *checker_pattern(CheckerPattern which);
// Tests make checker_pattern fail as an engine that refuses a pattern would:
// while a hook is set it is asked first, with the pattern's text, and an
// answer other than 0 gives null. Null removes the hook.
typedef int (*PatternFaultHook)(const char *pattern);
void set_pattern_fault_hook(PatternFaultHook hook);

// Cuts url into parts (cleared first). 1 when the URL pattern matched, with
// host and path allocated for the caller (free_url_parts releases them); 0
// when it did not, or url is null, or the pattern cannot be compiled, with
// nothing allocated.
int split_url(const char *url, UrlParts *parts);
// Releases host and path and clears them.
void free_url_parts(UrlParts *parts);
// The default port of a scheme code: 80 for none and http, 443 for https,
// 21 for ftp, otherwise 0.
uint16_t default_port(int32_t scheme);

// The URL that reference (a redirect's Location value) names when it is read
// against base (the URL that was requested), by the usual reference-resolution
// rules: a reference with a scheme stands as it is; «//host/p» takes the base's
// scheme; «/p», «p», «../p» and «?q» take the base's host and port, with the
// path merged and its dot segments removed. A fragment is dropped. A new heap
// text, owned by the caller; never null.
char *resolve_url(const char *base, const char *reference);

// The unsigned decimal value of the span of text (no character checks;
// overflow wraps). 0 for an empty or unmatched span.
uint32_t match_number(const char *text, regmatch_t span);
// The time that the date fields at the spans of text give, read as GMT:
// seconds since 1970-01-01 00:00:00 UTC. Fields out of range roll over into
// the next larger one (a 32nd day is the first of the next month); a year
// below 100 is in the 1900s. DATE_NONE when the month name is unknown or the
// date is before 1970 or too late for a 32-bit time.
uint32_t gmt_to_time(const char *text, regmatch_t day, regmatch_t month, regmatch_t year,
                     regmatch_t hour, regmatch_t minute, regmatch_t second);
// The Last-Modified time in the header of an HTTP reply (any of the three
// date forms), or DATE_NONE; DATE_FAILED when a date pattern cannot be
// compiled.
uint32_t parse_last_modified(const char *reply);

#endif
