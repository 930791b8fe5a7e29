// The regular expressions of the link checker, all POSIX extended syntax.
#ifndef TL_CHECKER_PATTERNS_H
#define TL_CHECKER_PATTERNS_H

// A URL: scheme with "://" (groups 1-4), host (5), ":" and port (6, 7), path
// (8) and a trailing part (9). Compiled case-insensitively.
#define URL_PATTERN                                                                                \
    "((([-+.a-zA-Z]|([%][0-9A-F]{2}))+)://)?([-%@=&;?$_.+!*'(),a-zA-Z0-9.]+)([:]([0-9]+))?"        \
    "([-%@=&;?$_.+!*'(),a-zA-Z0-9./]*)([#-%@=&;?$_.+!*'(),a-zA-Z0-9./]+)?"

// Last-Modified as «Sun, 06 Nov 1994 08:49:37 GMT» or «Sunday, 06-Nov-94 ...»:
// day, month name, year, hour, minute, second.
#define LAST_MODIFIED_PATTERN_A                                                                    \
    "odified:[ ]*[a-zA-Z]+[,]?[ ]+([0-9]+)[- ]+([a-zA-Z]+)[- ]+([0-9]+)[ ]+([0-9]+)[:]([0-9]+)"    \
    "[:]([0-9]+)"

// Last-Modified as «Sun Nov  6 08:49:37 1994»: month name, day, hour, minute,
// second, year.
#define LAST_MODIFIED_PATTERN_B                                                                    \
    "odified:[ ]*[a-zA-Z]+[ ]+([a-zA-Z]+)[ ]+([0-9]+)[ ]+([0-9]+)[:]([0-9]+)[:]([0-9]+)[ ]+"       \
    "([0-9]+)"

// The status line: major and minor version, status code.
#define STATUS_PATTERN "HTTP/([0-9]).([0-9])[ ]+([0-9]+)"

// A redirect's target: a header line named Location, in any letter case, at
// the start of a line (so not Content-Location); group 2 is its value up to
// the first blank, tab, carriage return or line feed. Compiled
// case-insensitively.
#define LOCATION_PATTERN "(^|\n)location:[ \t]*([^ \n\t\r]+)"

#endif
