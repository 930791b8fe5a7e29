// Fuzz target: URL splitting, redirect-target resolution and Last-Modified
// parsing on arbitrary bytes. The input up to its first zero byte is the text
// (a URL or a reply); what follows, up to a second zero byte, is a redirect
// reference resolved against it. Checks what the callers rely on: a split
// host is never empty and holds only host characters, a path only path
// characters; a date is a time or DATE_NONE, never another sentinel.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <string>

#include "checker/url_date.h"
#include "core/mem.h"
#include "store/bookmark.h"

static const char host_chars[] =
    "-%@=&;?$_.+!*'(),abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";

static bool only(const char *text, const char *set, const char *extra)
{
    for (; *text; text++)
        if (!strchr(set, *text) && !strchr(extra, *text)) return false;
    return true;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 4096) return 0; // the probe never holds more than 2,047 bytes
    std::string input((const char *) data, size);
    size_t cut = input.find('\0');
    std::string text = input.substr(0, cut);
    std::string reference;
    if (cut != std::string::npos) {
        reference = input.substr(cut + 1);
        reference = reference.substr(0, reference.find('\0'));
    }

    UrlParts p;
    if (split_url(text.c_str(), &p)) {
        if (!p.host || !p.host[0] || !only(p.host, host_chars, "")) __builtin_trap();
        if (p.path && (!p.path[0] || !only(p.path, host_chars, "/"))) __builtin_trap();
        if (p.scheme < SCHEME_NONE || p.scheme > SCHEME_HTTPS) __builtin_trap();
        free_url_parts(&p);
    } else if (p.host || p.path) {
        __builtin_trap();
    }

    uint32_t t = parse_last_modified(text.c_str());
    if (t == DATE_CHECKING || t == DATE_FAILED) __builtin_trap();

    char *resolved = resolve_url(text.c_str(), reference.c_str());
    // Scheme, "//", host, port and the two texts bound what can come out.
    if (strlen(resolved) > text.size() + reference.size() + 16) __builtin_trap();
    memFree(resolved);
    return 0;
}
