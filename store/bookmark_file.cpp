// The bookmark file reader: whole-file read, scanner, anchor parser and the
// loop that hands each entry to add_bookmark.
#include "store/bookmark_file.h"

#include <string.h>

#include "session/appstate.h"
#include "core/dupstr.h"
#include "core/mem.h"
#include "core/os.h"
#include "store/bookmark.h"
#include "store/chromium_bookmarks.h"
#include "store/html_text.h"
#include "store/url_index.h"

char *read_whole_file(const char *path)
{
    if (!path || !*path) return nullptr;
    OsFile f = os_file_open_read(path);
    if (f == OS_NO_FILE) return nullptr;
    char *text = nullptr;
    uint64_t size;
    // Texts are measured in 32 bits, and a file larger than a quarter of the
    // address space is refused rather than left to exhaust the memory.
    if (os_file_size(f, &size) && size > 0 && size < UINT32_MAX && size < SIZE_MAX / 4) {
        text = (char *) memAlloc((size_t) size + 1);
        size_t got;
        if (os_file_read(f, text, (size_t) size, &got) && got == size) {
            text[size] = 0;
        } else {
            memFree(text);
            text = nullptr;
        }
    }
    os_file_close(f);
    return text;
}

void scanner_init(BookmarkScanner *s, const char *text)
{
    s->tokenStart = text;
    s->cursor = text;
    s->ch = 0;
    s->kind = TOK_END;
}

static bool is_blank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

static bool is_letter(char c, char upper)
{
    return c == upper || c == upper + ('a' - 'A');
}

// The first c at or after p, or the terminating zero when there is none.
static const char *find_byte(const char *p, char c)
{
    while (*p && *p != c)
        p++;
    return p;
}

// The first of the two bytes at or after p, or the terminating zero.
static const char *find_either(const char *p, char a, char b)
{
    while (*p && *p != a && *p != b)
        p++;
    return p;
}

// After "<A": the end of an anchor start tag with HREF (just past its >),
// null when the tag turns out to be another one (*stop then says where
// recognition stopped), or the position of the terminating zero when the
// text ends inside the tag.
static const char *anchor_tag_end(const char *p, const char **stop)
{
    while (is_blank(*p))
        p++;
    if (*p == '>') {
        *stop = p;
        return nullptr;
    }
    static const char href[] = "HREF";
    for (const char *h = href; *h; h++, p++)
        if (!is_letter(*p, *h)) {
            *stop = p;
            return nullptr;
        }
    while (is_blank(*p))
        p++;
    if (*p != '=' || p[1] != '"') {
        *stop = *p == '=' ? p + 1 : p;
        return nullptr;
    }
    // The url runs to the next quote; a > met first stands inside it.
    const char *q = find_either(p + 2, '"', '>');
    if (*q == '>') q = find_byte(q, '"');
    if (*q) q = find_byte(q + 1, '>');
    return *q ? q + 1 : q;
}

int scan_token(BookmarkScanner *s)
{
    for (;;) {
        const char *p = s->cursor;
        s->tokenStart = p;
        char b = *p;
        if (b == 0) {
            s->kind = TOK_END;
            return 0;
        }
        if (b == '\n' || b == '\r') {
            s->cursor = p + 1;
            continue;
        }
        if (b != '<') {
            s->cursor = p + 1;
            s->kind = TOK_CHAR;
            s->ch = b;
            return 1;
        }
        p++;
        const char *stop = p; // where recognition stopped when the tag is skipped
        int kind = -1;
        if (*p == '/') {
            p++;
            stop = p;
            if (is_letter(p[0], 'A') && p[1] == '>') {
                kind = TOK_ANCHOR_END;
                p += 2;
            } else if (is_letter(p[0], 'D') && is_letter(p[1], 'L') && p[2] == '>') {
                kind = TOK_DL_END;
                p += 3;
            }
        } else if (is_letter(*p, 'A')) {
            const char *end = anchor_tag_end(p + 1, &stop);
            if (end) {
                s->cursor = end;
                if (!*end) continue; // the text ended inside the tag
                s->kind = TOK_ANCHOR;
                return 1;
            }
        } else if (is_letter(*p, 'D') && p[1] && p[2] == '>') {
            if (is_letter(p[1], 'D'))
                kind = TOK_DD;
            else if (is_letter(p[1], 'T'))
                kind = TOK_DT;
            else if (is_letter(p[1], 'L'))
                kind = TOK_DL;
            p += 3;
        }
        if (kind >= 0) {
            s->cursor = p;
            s->kind = kind;
            return 1;
        }
        // Not a tag that matters: skip to its >.
        p = find_byte(stop, '>');
        s->cursor = *p ? p + 1 : p;
    }
}

void scan_text(BookmarkScanner *s, vstr *out)
{
    const char *p = s->cursor;
    for (;;) {
        const char *run = p;
        while (*p && *p != '<' && *p != '\r' && *p != '\n')
            p++;
        vstrAppendPrimative(out, run, (uint32_t) (p - run));
        if (*p != '\r' && *p != '\n') break;
        p++;
    }
    s->cursor = p;
}

// Reads decimal digits as an unsigned 32-bit number, wrapping; no digits
// give 0. *end gets the first non-digit.
static uint32_t read_number(const char *p, const char **end)
{
    uint32_t value = 0;
    while (*p >= '0' && *p <= '9')
        value = value * 10u + (uint32_t) (*p++ - '0');
    *end = p;
    return value;
}

void parse_anchor(PendingEntry *e, const char *p)
{
    e->addDate = e->lastVisit = e->lastModified = DATE_NONE;
    const char *open = find_byte(p, '"');
    if (!*open) return;
    const char *close = find_byte(open + 1, '"');
    vstrAppendPrimative(&e->url, open + 1, (uint32_t) (close - open - 1));
    static const struct {
        const char *name; // with its = and opening quote
        size_t length;
        uint32_t PendingEntry::*date;
    } dates[] = {
        {"ADD_DATE=\"", 10, &PendingEntry::addDate},
        {"LAST_VISIT=\"", 12, &PendingEntry::lastVisit},
        {"LAST_MODIFIED=\"", 15, &PendingEntry::lastModified},
    };
    for (const char *q = close; *q && *q != '>';) {
        bool matched = false;
        for (const auto &d : dates)
            if (strncmp(q, d.name, d.length) == 0) {
                e->*d.date = read_number(q + d.length, &q);
                matched = true;
                break;
            }
        if (!matched) q++;
    }
}

static void pending_init(PendingEntry *e)
{
    vstrInit(&e->url);
    vstrInit(&e->title);
    vstrInit(&e->keywords);
    e->addDate = e->lastVisit = e->lastModified = DATE_NONE;
}

static void pending_clear(PendingEntry *e)
{
    vstrClear(&e->url);
    vstrClear(&e->title);
    vstrClear(&e->keywords);
}

// The collected text, decoded, as a heap text for add_bookmark; null when
// nothing was collected. The vstr starts empty again but keeps its buffer
// for the next entry, and the copy is of the text's exact size: one block
// per text instead of a string of doublings.
static char *take_text(vstr *s)
{
    if (s->length == 0) return nullptr;
    decode_html_text(s->data);
    char *text = dupstr(s->data);
    s->length = 0;
    s->data[0] = 0;
    return text;
}

// The title: text bytes up to </A>; other tags inside it are dropped. 0 when
// the text ends first.
static int read_title(BookmarkScanner *s, vstr *title)
{
    for (;;) {
        scan_text(s, title);
        if (!scan_token(s)) return 0;
        if (s->kind == TOK_ANCHOR_END) return 1;
        if (s->kind == TOK_CHAR) vstrAppendCh(title, s->ch);
    }
}

// The keyword text when <DD> follows </A> directly: text bytes up to the
// next <DT>, <DD> or the end, which is consumed. Any other token is put back
// for the search of the next anchor.
static void read_keywords(BookmarkScanner *s, vstr *keywords)
{
    if (!scan_token(s) || s->kind != TOK_DD) {
        s->cursor = s->tokenStart;
        return;
    }
    for (;;) {
        scan_text(s, keywords);
        if (!scan_token(s) || s->kind == TOK_DT || s->kind == TOK_DD) return;
        if (s->kind == TOK_CHAR) vstrAppendCh(keywords, s->ch);
    }
}

// About how many entries text holds: the anchor tags it seems to open.
static uint32_t count_anchors(const char *text)
{
    uint32_t anchors = 0;
    for (const char *p = text; *p; p++)
        if (p[0] == '<' && (p[1] == 'A' || p[1] == 'a') && (p[2] == ' ' || p[2] == '\t')) anchors++;
    return anchors;
}

int read_bookmark_file(AppState *app, const char *file_text, int title_words)
{
    char *converted = bookmark_text_to_utf8(file_text);
    const char *text = converted ? converted : file_text;
    BookmarkScanner s;
    scanner_init(&s, text);
    PendingEntry e;
    pending_init(&e);
    bookmark_bulk_begin(app); // a whole file of adds, sorted into place once
    bookmark_bulk_reserve(app, count_anchors(text));
    int entries = 0;
    while (scan_token(&s)) {
        if (s.kind != TOK_ANCHOR) continue;
        parse_anchor(&e, s.tokenStart);
        // The duplicate search for this url comes after the title and the
        // keywords are read: time enough for its table slot to arrive.
        if (e.url.length) url_index_prefetch(app->url_index, e.url.data);
        if (!read_title(&s, &e.title)) break; // an unfinished entry is dropped
        read_keywords(&s, &e.keywords);
        char *title = take_text(&e.title);
        char *url = take_text(&e.url);
        char *keywords = take_text(&e.keywords);
        add_bookmark(app, title, url, keywords, e.addDate, e.lastVisit, e.lastModified,
                     title_words);
        entries++;
    }
    bookmark_bulk_end(app);
    pending_clear(&e);
    memFree(converted);
    return entries;
}

// Whether p begins with word (upper-case letters), in either case.
static bool begins_with_nocase(const char *p, const char *word)
{
    for (; *word; p++, word++)
        if (!is_letter(*p, *word)) return false;
    return true;
}

int is_own_bookmark_file(const char *text)
{
    static const char name[] = "Velorix-Trovelinks-file-1";
    for (const char *p = strstr(text, "<!"); p; p = strstr(p + 2, "<!")) {
        if (!begins_with_nocase(p + 2, "DOCTYPE")) continue;
        const char *q = p + 9;
        while (is_blank(*q))
            q++;
        if (strncmp(q, name, sizeof name - 1) == 0 &&
            (q[sizeof name - 1] == '>' || is_blank(q[sizeof name - 1])))
            return 1;
    }
    return 0;
}

int import_bookmarks_from(AppState *app, const char *path, uint32_t *added)
{
    char *text = read_whole_file(path);
    if (!text) return 0;
    uint32_t before = app->bookmarks->count;
    int ok = 1;
    if (is_json_text(text))
        ok = read_chromium_bookmarks(app, text);
    else
        read_bookmark_file(app, text, 1);
    memFree(text);
    *added = app->bookmarks->count - before;
    return ok;
}
