// The encoding of bookmark file texts and their character entities.
#include "store/html_text.h"

#include <string.h>

#include "core/mem.h"
#include "core/text_case.h"
#include "core/utf8.h"

// The characters of windows-1252 at bytes 128 to 159 (the rest of the upper
// half is U+00A0 to U+00FF). The five bytes it leaves undefined stand for
// the control characters of the same number.
static const uint16_t WINDOWS_1252_HIGH[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// The code point of a byte of windows-1252, or of a code point that stands
// for one (128 to 159 in a numeric entity).
static uint32_t windows_1252_char(uint32_t c)
{
    return c >= 0x80 && c < 0xA0 ? WINDOWS_1252_HIGH[c - 0x80] : c;
}

// The bytes that end a run of plain text: those written as entities and the
// terminating zero.
struct EntityBytes {
    bool ends_run[256];
    constexpr EntityBytes() : ends_run()
    {
        ends_run[(unsigned char) '&'] = ends_run[(unsigned char) '<'] = true;
        ends_run[(unsigned char) '>'] = ends_run[(unsigned char) '"'] = ends_run[0] = true;
    }
};
static constexpr EntityBytes ENTITY_BYTES;

static inline bool needs_entity(char c)
{
    return ENTITY_BYTES.ends_run[(unsigned char) c];
}

void append_html_text(vstr *out, const char *text)
{
    for (;;) {
        size_t plain = 0;
        while (!needs_entity(text[plain]))
            plain++;
        vstrAppendPrimative(out, text, (uint32_t) plain);
        text += plain;
        switch (*text++) {
        case '&': vstrAppendPrimative(out, "&amp;", 5); break;
        case '<': vstrAppendPrimative(out, "&lt;", 4); break;
        case '>': vstrAppendPrimative(out, "&gt;", 4); break;
        case '"': vstrAppendPrimative(out, "&quot;", 6); break;
        default: // the terminating zero
            return;
        }
    }
}

static int hex_value(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A numeric entity at p (which points at "&#"): its length with the ';',
// and the character's UTF-8 bytes in ch (their number in *n), or 0 when p
// starts no entity of a character that is decoded.
static uint32_t numeric_entity(const char *p, char *ch, uint32_t *n)
{
    const char *q = p + 2;
    int base = 10;
    if (*q == 'x' || *q == 'X') {
        base = 16;
        q++;
    }
    const char *digits = q;
    unsigned value = 0;
    for (;; q++) {
        int d = base == 16 ? hex_value(*q) : (*q >= '0' && *q <= '9' ? *q - '0' : -1);
        if (d < 0) break;
        // Past U+10FFFF the value no longer matters, only that it is too
        // large; capping it keeps any number of digits from overflowing.
        if (value <= 0x10FFFF) value = value * (unsigned) base + (unsigned) d;
    }
    if (q == digits || *q != ';' || value < 32 || value == 127) return 0;
    *n = utf8_encode(windows_1252_char(value), ch);
    return *n ? (uint32_t) (q + 1 - p) : 0;
}

// The entity at p (which points at '&'): its length, the character's bytes
// in ch (their number in *n); 0 when p starts none.
static uint32_t entity_at(const char *p, char *ch, uint32_t *n)
{
    static const struct {
        const char *name;
        uint32_t length;
        char ch;
    } named[] = {{"&amp;", 5, '&'}, {"&lt;", 4, '<'}, {"&gt;", 4, '>'}, {"&quot;", 6, '"'}};
    if (p[1] == '#') return numeric_entity(p, ch, n);
    for (const auto &e : named)
        if (strncmp(p, e.name, e.length) == 0) {
            ch[0] = e.ch;
            *n = 1;
            return e.length;
        }
    return 0;
}

uint32_t decode_html_text(char *text)
{
    char *out = strchr(text, '&');
    if (!out) return (uint32_t) strlen(text);
    const char *in = out;
    while (*in) {
        char ch[4];
        uint32_t n = 0;
        uint32_t used = *in == '&' ? entity_at(in, ch, &n) : 0;
        if (used) {
            // An entity is never shorter than its character: out stays
            // behind in.
            memcpy(out, ch, n);
            out += n;
            in += used;
        } else {
            *out++ = *in++;
        }
    }
    *out = 0;
    return (uint32_t) (out - text);
}

// ---- The file's encoding ----------------------------------------------------

// The names under which browsers read a file as windows-1252.
static const char *const WINDOWS_1252_NAMES[] = {
    "windows-1252", "iso-8859-1",  "iso8859-1", "iso88591", "iso_8859-1",     "iso_8859-1:1987",
    "latin1",       "l1",          "cp1252",    "x-cp1252", "cp819",          "ibm819",
    "iso-ir-100",   "csisolatin1", "us-ascii",  "ascii",    "ansi_x3.4-1968",
};

static bool starts_nocase(const char *text, const char *word)
{
    for (; *word; text++, word++)
        if (ascii_fold((unsigned char) *text) != (unsigned char) *word) return false;
    return true;
}

// Does the head of the file (the text before its first <DT>) declare one of
// those names as its charset (as in <META HTTP-EQUIV="Content-Type"
// CONTENT="text/html; charset=windows-1252"> or <META charset="latin1">)?
static bool declares_windows_1252(const char *text)
{
    for (const char *p = text; *p; p++) {
        if (*p != '<' && *p != 'c' && *p != 'C') continue;
        if (*p == '<') {
            if (starts_nocase(p + 1, "dt")) return false;
            continue;
        }
        if (!starts_nocase(p, "charset")) continue;
        const char *q = p + 7;
        while (*q == ' ')
            q++;
        if (*q++ != '=') continue;
        while (*q == ' ' || *q == '"' || *q == '\'')
            q++;
        size_t len = 0;
        while (q[len] && q[len] != '"' && q[len] != '\'' && q[len] != ';' && q[len] != '>' &&
               q[len] != ' ' && q[len] != '/')
            len++;
        for (const char *name : WINDOWS_1252_NAMES)
            if (strlen(name) == len && starts_nocase(q, name)) return true;
    }
    return false;
}

// The bytes at p as UTF-8: a well-formed character as it is (its length in
// *used), any other byte as the windows-1252 character it is there. Returns
// the number of bytes written to out (room for 4).
static uint32_t repaired_char(const char *p, bool whole_file_1252, uint32_t *used, char *out)
{
    unsigned char c = (unsigned char) *p;
    uint32_t n = c < 0x80 ? 1 : whole_file_1252 ? 0 : utf8_sequence_length(p);
    if (n) {
        memcpy(out, p, n);
        *used = n;
        return n;
    }
    *used = 1;
    return utf8_encode(windows_1252_char(c), out);
}

char *bookmark_text_to_utf8(const char *text)
{
    bool whole_file_1252 = declares_windows_1252(text);
    if (!whole_file_1252 && utf8_valid(text)) return nullptr;
    char bytes[4];
    size_t length = 0;
    uint32_t used;
    for (const char *p = text; *p; p += used)
        length += repaired_char(p, whole_file_1252, &used, bytes);
    char *out = (char *) memAlloc(length + 1), *o = out;
    for (const char *p = text; *p; p += used)
        o += repaired_char(p, whole_file_1252, &used, o);
    *o = 0;
    return out;
}
