// Encoding and decoding of character entities in bookmark file texts.
#include "store/html_text.h"

#include <string.h>

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
// and the character in *ch, or 0 when p starts no entity of a printable
// ASCII character.
static uint32_t numeric_entity(const char *p, char *ch)
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
        // Past 126 the value no longer matters, only that it is too large;
        // capping it keeps any number of digits from overflowing.
        if (value <= 126) value = value * (unsigned) base + (unsigned) d;
    }
    if (q == digits || *q != ';' || value < 32 || value > 126) return 0;
    *ch = (char) value;
    return (uint32_t) (q + 1 - p);
}

// The entity at p (which points at '&'): its length, the character in *ch;
// 0 when p starts none.
static uint32_t entity_at(const char *p, char *ch)
{
    static const struct {
        const char *name;
        uint32_t length;
        char ch;
    } named[] = {{"&amp;", 5, '&'}, {"&lt;", 4, '<'}, {"&gt;", 4, '>'}, {"&quot;", 6, '"'}};
    if (p[1] == '#') return numeric_entity(p, ch);
    for (const auto &n : named)
        if (strncmp(p, n.name, n.length) == 0) {
            *ch = n.ch;
            return n.length;
        }
    return 0;
}

uint32_t decode_html_text(char *text)
{
    char *out = strchr(text, '&');
    if (!out) return (uint32_t) strlen(text);
    const char *in = out;
    while (*in) {
        char ch;
        uint32_t used = *in == '&' ? entity_at(in, &ch) : 0;
        if (used) {
            *out++ = ch;
            in += used;
        } else {
            *out++ = *in++;
        }
    }
    *out = 0;
    return (uint32_t) (out - text);
}
