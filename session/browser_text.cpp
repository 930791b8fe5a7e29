// The browser's window-information reply and the clipboard's URL (see
// browser_text.h). Every scan of a reply is bounded by the reply's length,
// which is itself bounded by size.
#include "session/browser_text.h"

#include <string.h>

#include "core/dupstr.h"
#include "core/mem.h"
#include "core/text_case.h"
#include "store/bookmark.h"

static const char SEPARATOR[] = "\",\"";
static const size_t URL_FIELD_MAX = 1023; // the first field alone, as the old buffer held

// A heap copy of text[begin, end).
static char *copy_span(const char *text, size_t begin, size_t end)
{
    size_t n = end > begin ? end - begin : 0;
    char *copy = (char *) memAlloc(n + 1);
    memcpy(copy, text + begin, n);
    copy[n] = 0;
    return copy;
}

// The first position from start on (below length) holding ch, or length.
static size_t find_char(const char *text, size_t length, size_t start, char ch)
{
    while (start < length && text[start] != ch)
        start++;
    return start < length ? start : length;
}

// The first separator from start on, or length when there is none.
static size_t find_separator(const char *text, size_t length, size_t start)
{
    for (size_t i = start; i + 3 <= length; i++)
        if (memcmp(text + i, SEPARATOR, 3) == 0) return i;
    return length;
}

int reply_page(const char *reply, size_t size, int iexplore, char **url, char **title)
{
    *url = *title = nullptr;
    size_t length = strnlen(reply, size);
    if (length == 0 || reply[0] != '"') return REPLY_NONE;
    size_t sep = find_separator(reply, length, 1);
    if (sep == length) {
        size_t end = find_char(reply, length, 1, '"');
        if (end == length) return REPLY_NONE;
        if (end - 1 > URL_FIELD_MAX) end = 1 + URL_FIELD_MAX;
        *url = copy_span(reply, 1, end);
        return REPLY_URL_ONLY;
    }
    size_t field = sep + 3;
    size_t field_end = find_char(reply, length, field, '"');
    *url = copy_span(reply, 1, sep);
    if (iexplore) {
        *title = copy_span(reply, field, field_end);
        return REPLY_PAGE;
    }
    size_t bracket = find_char(reply, field_end, field, '[');
    if (bracket == field_end)
        *title = copy_span(reply, field, field_end);
    else // "Netscape - [Title]": up to the reply's "]" and closing quote
        *title = copy_span(reply, bracket + 1, length - 2);
    return REPLY_PAGE;
}

int reply_window_title(const char *reply, size_t size, char *out)
{
    out[0] = 0;
    size_t length = strnlen(reply, size);
    size_t quote = find_char(reply, length, 1, '"');
    if (quote + 3 >= length) return 0; // no closing quote, or nothing after the separator
    size_t begin = quote + 3;
    size_t end = find_char(reply, length, begin, '"');
    if (end - begin > 255) end = begin + 255;
    memcpy(out, reply + begin, end - begin);
    out[end - begin] = 0;
    return end > begin;
}

char *ie_frame_page_title(const char *window_text)
{
    const char *suffix = strstr(window_text, " - Microsoft Internet Explorer");
    return suffix ? copy_span(window_text, 0, (size_t) (suffix - window_text)) : nullptr;
}

// Whether text begins with prefix, ASCII letters in either case.
static int starts_folded(const char *text, const char *prefix)
{
    for (; *prefix; text++, prefix++)
        if (ascii_fold((unsigned char) *text) != ascii_fold((unsigned char) *prefix)) return 0;
    return 1;
}

char *single_url_in(const char *text)
{
    static const char *const schemes[] = {"http:", "https:", "ftp:", "file:"};
    char *url = dupstr(text);
    trim_space(url);
    size_t length = strlen(url);
    int ok = 0;
    for (const char *scheme : schemes)
        if (length > strlen(scheme) && starts_folded(url, scheme)) ok = 1;
    for (size_t i = 0; ok && i < length; i++)
        if ((unsigned char) url[i] <= ' ') ok = 0;
    if (ok) return url;
    memFree(url);
    return nullptr;
}
