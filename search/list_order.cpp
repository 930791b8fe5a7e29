// Display orders of the list, kept between fills.
#include "search/list_order.h"

#include <string.h>

#include <algorithm>

#include "session/appstate.h"
#include "core/mem.h"
#include "core/text_case.h"
#include "store/bookmark.h"

// One column's order and the BookmarkList's change count it was built at.
// While the count stays, the list holds the same Bookmarks with the same
// texts in the same places, so filling the list from a set of Bookmarks
// touches no Bookmark: the set's members are found in the list by address
// (both are in address order), marked at their rank, and the marks are read
// back in rank order.
struct ColumnOrder {
    vec *sorted;       // every Bookmark, display order
    uint32_t *ranks;   // each listed Bookmark's position in sorted, by list position
    uint32_t *marks;   // one bit per rank, for a fill
    uint32_t capacity; // entries in ranks
    uint32_t changes;  // app->bookmark_changes when built
    int built;         // 0 until built, and after list_order_forget
};

struct ListOrder {
    ColumnOrder columns[2];
    SortKeyFunction key_function; // how texts become sort keys
};

static uint32_t ascii_key(const char *text, unsigned char *key, uint32_t size)
{
    uint32_t n = (uint32_t) strlen(text);
    if (n > size) return n;
    for (uint32_t i = 0; i < n; i++)
        key[i] = ascii_fold((unsigned char) text[i]);
    return n;
}

void list_order_use_keys(ListOrder *order, SortKeyFunction function)
{
    order->key_function = function ? function : ascii_key;
    list_order_forget(order);
}

ListOrder *list_order_create(void)
{
    ListOrder *order = (ListOrder *) memAlloc(sizeof(ListOrder));
    memset(order, 0, sizeof *order);
    for (ColumnOrder &c : order->columns)
        c.sorted = vec_create();
    order->key_function = ascii_key;
    return order;
}

void list_order_destroy(ListOrder *order)
{
    if (!order) return;
    for (ColumnOrder &c : order->columns) {
        vec_destroy(c.sorted);
        memFree(c.ranks);
        memFree(c.marks);
    }
    memFree(order);
}

void list_order_forget(ListOrder *order)
{
    if (!order) return;
    for (ColumnOrder &c : order->columns)
        c.built = 0;
}

static const char *column_text(const Bookmark *b, int column)
{
    return column == 1 ? b->url : b->title;
}

static int is_current(const ColumnOrder *c, const AppState *app)
{
    return c->built && c->changes == app->bookmark_changes &&
           c->sorted->count == app->bookmarks->count;
}

// The keys of one build lie side by side in one block.
struct KeyedBookmark {
    uint64_t head;   // the key's first 8 bytes, big-endian, zeros after its end
    size_t offset;   // of the key in the block
    uint32_t length; // of the key
    uint32_t index;  // in the BookmarkList, which is address order
};

// Up to 8 bytes from p (n of them, the rest zero) as a big-endian number:
// numbers compare as the bytes do.
static uint64_t big_endian(const unsigned char *p, uint32_t n)
{
    uint64_t v = 0;
    for (uint32_t i = 0; i < 8; i++)
        v = (v << 8) | (i < n ? p[i] : 0);
    return v;
}

// The 8 bytes at p as a big-endian number, read in one load.
static uint64_t load_big_endian(const unsigned char *p)
{
    uint64_t v;
    memcpy(&v, p, 8);
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    v = __builtin_bswap64(v);
#endif
    return v;
}

// Whether a sorts before b: by key bytes, a shorter key first when one is a
// prefix of the other, then by address (the list's order). The heads settle
// most pairs; the rest are compared 8 bytes at a time.
static bool keyed_before(const unsigned char *keys, const KeyedBookmark &a, const KeyedBookmark &b)
{
    if (a.head != b.head) return a.head < b.head;
    uint32_t n = a.length < b.length ? a.length : b.length, i = 8;
    const unsigned char *x = keys + a.offset, *y = keys + b.offset;
    for (; i + 8 <= n; i += 8) {
        uint64_t u = load_big_endian(x + i), v = load_big_endian(y + i);
        if (u != v) return u < v;
    }
    for (; i < n; i++)
        if (x[i] != y[i]) return x[i] < y[i];
    if (a.length != b.length) return a.length < b.length;
    return a.index < b.index;
}

static void rebuild(ColumnOrder *c, const AppState *app, int column, SortKeyFunction key_function)
{
    const vec *all = app->bookmarks;
    uint32_t n = all->count;
    if (c->capacity < n || !c->ranks) {
        memFree(c->ranks);
        memFree(c->marks);
        c->capacity = n ? n : 1;
        c->ranks = (uint32_t *) memAlloc(c->capacity * sizeof(uint32_t));
        c->marks = (uint32_t *) memAlloc((c->capacity / 32 + 1) * sizeof(uint32_t));
    }
    KeyedBookmark *keyed = (KeyedBookmark *) memAlloc((n ? n : 1) * sizeof(KeyedBookmark));
    size_t used = 0, room = (size_t) n * 64 + 256;
    unsigned char *keys = (unsigned char *) memAlloc(room);
    for (uint32_t i = 0; i < n; i++) {
        const Bookmark *b = vec_at<Bookmark>(all, i);
        const char *text = column_text(b, column);
        if (room - used < 256) keys = (unsigned char *) memRealloc(keys, room *= 2);
        uint32_t length = key_function(text, keys + used, (uint32_t) (room - used));
        if (length > room - used) {
            while (length > room - used)
                room *= 2;
            keys = (unsigned char *) memRealloc(keys, room);
            length = key_function(text, keys + used, (uint32_t) (room - used));
        }
        keyed[i].offset = used;
        keyed[i].length = length;
        keyed[i].index = i;
        used += length;
    }
    for (uint32_t i = 0; i < n; i++)
        keyed[i].head = big_endian(keys + keyed[i].offset, keyed[i].length);
    std::sort(keyed, keyed + n, [keys](const KeyedBookmark &a, const KeyedBookmark &b) {
        return keyed_before(keys, a, b);
    });
    vec_reserve(c->sorted, n);
    for (uint32_t r = 0; r < n; r++) {
        c->sorted->items[r] = all->items[keyed[r].index];
        c->ranks[keyed[r].index] = r;
    }
    c->sorted->count = n;
    memFree(keys);
    memFree(keyed);
    c->changes = app->bookmark_changes;
    c->built = 1;
}

static ColumnOrder *current_column(ListOrder *order, AppState *app, int column)
{
    ColumnOrder *c = &order->columns[column == 1 ? 1 : 0];
    if (!is_current(c, app)) rebuild(c, app, column, order->key_function);
    return c;
}

// The first position from at on (up to n) whose slot is not below b: a
// gallop, then a binary search, so that a few members cost a few probes
// and many cost a walk.
static uint32_t seek(const vec_slot *all, uint32_t at, uint32_t n, vec_slot b)
{
    uint32_t hi = at, step = 1;
    while (hi < n && all[hi] < b) {
        at = hi + 1;
        hi += step;
        step *= 2;
    }
    if (hi > n) hi = n;
    while (at < hi) {
        uint32_t mid = at + (hi - at) / 2;
        if (all[mid] < b)
            at = mid + 1;
        else
            hi = mid;
    }
    return at;
}

void list_order_fill(ListOrder *order, AppState *app, int column, const vec *members, vec *shown)
{
    ColumnOrder *c = current_column(order, app, column);
    uint32_t n = app->bookmarks->count, words = n / 32 + 1;
    memset(c->marks, 0, words * sizeof(uint32_t));
    const vec_slot *all = app->bookmarks->items;
    uint32_t at = 0;
    for (uint32_t i = 0; i < members->count && at < n; i++) {
        vec_slot b = members->items[i];
        at = seek(all, at, n, b);
        if (at < n && all[at] == b) {
            uint32_t r = c->ranks[at];
            c->marks[r / 32] |= 1u << (r % 32);
        }
    }
    vec_reserve(shown, members->count);
    vec_slot *out = shown->items, *sorted = c->sorted->items;
    uint32_t k = 0;
    for (uint32_t w = 0; w < words; w++)
        for (uint32_t bits = c->marks[w]; bits; bits &= bits - 1)
            out[k++] = sorted[w * 32 + (uint32_t) __builtin_ctz(bits)];
    shown->count = k; // keeps the slots allocated for the next fill
}
