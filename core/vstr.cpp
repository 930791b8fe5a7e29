// Growable byte strings.
#include "core/vstr.h"

#include "core/mem.h"

// Grows s when need >= capacity: capacity 0 counts as 16, then doubles until
// it is at least need.
static void reserve(vstr *s, uint32_t need)
{
    if (need < s->capacity) return;
    uint32_t cap = s->capacity ? s->capacity : 16;
    while (cap < need)
        cap *= 2;
    s->data = (char *) memRealloc(s->data, cap);
    s->capacity = cap;
}

void vstrInit(vstr *s)
{
    s->capacity = 0;
    s->length = 0;
    s->data = nullptr;
}

void vstrSet(vstr *s, const char *text)
{
    uint32_t n = (uint32_t) strlen(text);
    if (n >= s->capacity) reserve(s, n + 2);
    memcpy(s->data, text, n + 1);
    s->length = n;
}

void vstrAppendPrimative(vstr *s, const void *bytes, uint32_t count)
{
    if (s->length + count >= s->capacity) reserve(s, s->length + count + 1);
    if (count) memcpy(s->data + s->length, bytes, count);
    s->length += count;
    s->data[s->length] = 0;
}

void vstrAppendCh(vstr *s, char ch)
{
    if (s->length + 1 >= s->capacity) reserve(s, s->length + 2);
    s->data[s->length++] = ch;
    s->data[s->length] = 0;
}

void vstrSub(vstr *s, const char *pattern, const char *replacement)
{
    vstr out;
    vstrInit(&out);
    reserve(&out, 1); // the result always has a buffer, even when empty
    out.data[0] = 0;
    uint32_t m = (uint32_t) strlen(pattern);
    uint32_t r = (uint32_t) strlen(replacement);
    const char *old = s->data ? s->data : "";
    const char *scan = old;
    const char *hit;
    while ((hit = strstr(scan, pattern)) != nullptr) {
        vstrAppendPrimative(&out, scan, (uint32_t) (hit - scan));
        vstrAppendPrimative(&out, replacement, r);
        scan = hit + m;
    }
    vstrAppendPrimative(&out, scan, (uint32_t) strlen(scan));
    memFree(s->data);
    *s = out;
}

uint32_t vstrInsertStr(vstr *s, const char *text, uint32_t offset)
{
    uint32_t n = (uint32_t) strlen(text);
    if (s->length + n + 2 >= s->capacity) reserve(s, s->length + n + 2);
    if (s->length == 0) s->data[0] = 0;
    memmove(s->data + offset + n, s->data + offset, s->length - offset + 1);
    memcpy(s->data + offset, text, n);
    s->length += n;
    return n;
}

void vstrDelete(vstr *s, uint32_t offset, uint32_t count)
{
    memmove(s->data + offset, s->data + offset + count, s->length - offset - count + 1);
    s->length -= count;
}

void vstrGrow(vstr *s, uint32_t size)
{
    if (size + 1 >= s->capacity) {
        bool fresh = s->capacity == 0;
        reserve(s, size + 1);
        if (fresh) s->data[0] = 0;
    }
}

void vstrClear(vstr *s)
{
    memFree(s->data);
    vstrInit(s);
}

char *vstrDetach(vstr *s)
{
    char *d = s->data;
    vstrInit(s);
    return d;
}
