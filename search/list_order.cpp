// Display orders of the list, kept between fills.
#include "search/list_order.h"

#include <stdlib.h>
#include <string.h>

#include "app/appstate.h"
#include "core/mem.h"
#include "core/text_case.h"
#include "store/bookmark.h"

// One column's order and what it was built from. Filling the list from a set
// of Bookmarks touches no Bookmark: the set's members are found in the
// snapshot by address (both are in address order), marked at their rank, and
// the marks are read back in rank order.
struct ColumnOrder {
    vec *sorted;        // every Bookmark, display order
    vec *snapshot;      // the BookmarkList when built (address order)
    const char **texts; // each snapshot Bookmark's title or url pointer when built
    uint32_t *added;    // and its addDate
    uint32_t *ranks;    // each snapshot Bookmark's position in sorted
    uint64_t *marks;    // one bit per rank, for a fill
    uint32_t capacity;  // entries in texts and ranks
};

struct ListOrder {
    ColumnOrder columns[2];
};

static uint32_t ascii_key(const char *text, unsigned char *key, uint32_t size)
{
    uint32_t n = (uint32_t) strlen(text);
    if (n > size) return n;
    for (uint32_t i = 0; i < n; i++)
        key[i] = ascii_fold((unsigned char) text[i]);
    return n;
}

static SortKeyFunction g_key_function = ascii_key;

void list_order_use_keys(SortKeyFunction function)
{
    g_key_function = function ? function : ascii_key;
}

ListOrder *list_order_create(void)
{
    ListOrder *order = (ListOrder *) memAlloc(sizeof(ListOrder));
    memset(order, 0, sizeof *order);
    for (ColumnOrder &c : order->columns) {
        c.sorted = vec_create();
        c.snapshot = vec_create();
    }
    return order;
}

void list_order_destroy(ListOrder *order)
{
    if (!order) return;
    for (ColumnOrder &c : order->columns) {
        vec_destroy(c.sorted);
        vec_destroy(c.snapshot);
        memFree(c.texts);
        memFree(c.added);
        memFree(c.ranks);
        memFree(c.marks);
    }
    memFree(order);
}

void list_order_forget(ListOrder *order)
{
    if (!order) return;
    for (ColumnOrder &c : order->columns)
        vec_clear(c.snapshot);
}

static const char *column_text(const Bookmark *b, int column)
{
    return column == 1 ? b->url : b->title;
}

// The order still fits when the same Bookmarks have the same texts. Without
// reading every text (which would cost more than the rest of a fill), a
// Bookmark counts as the same when its record and text lie at the same
// addresses and its addDate is the same: a deleted Bookmark whose memory a
// new one took over has the new one's addDate. An edit can leave the text at
// its old address; list_order_forget announces it.
static int is_current(const ColumnOrder *c, const vec *all, int column)
{
    if (!c->marks || c->snapshot->count != all->count) return 0;
    if (all->count == 0) return 1;
    if (memcmp(c->snapshot->items, all->items, all->count * sizeof(vec_slot)) != 0) return 0;
    for (uint32_t i = 0; i < all->count; i++) {
        const Bookmark *b = vec_at<Bookmark>(all, i);
        if (c->texts[i] != column_text(b, column) || c->added[i] != b->addDate) return 0;
    }
    return 1;
}

// The keys of one build lie side by side in one block.
struct KeyedBookmark {
    size_t offset;   // of the key in the block
    uint32_t length; // of the key
    uint32_t index;  // in the snapshot, which is address order
};

static const unsigned char *g_keys; // the block, while qsort runs

static int compare_keyed(const void *pa, const void *pb)
{
    const KeyedBookmark *a = (const KeyedBookmark *) pa, *b = (const KeyedBookmark *) pb;
    uint32_t n = a->length < b->length ? a->length : b->length;
    int c = memcmp(g_keys + a->offset, g_keys + b->offset, n);
    if (c) return c;
    if (a->length != b->length) return a->length < b->length ? -1 : 1;
    return a->index < b->index ? -1 : a->index > b->index;
}

static void rebuild(ColumnOrder *c, const vec *all, int column)
{
    uint32_t n = all->count;
    vec_copy(c->snapshot, all);
    if (c->capacity < n || !c->texts) {
        memFree(c->texts);
        memFree(c->added);
        memFree(c->ranks);
        memFree(c->marks);
        c->capacity = n ? n : 1;
        c->texts = (const char **) memAlloc(c->capacity * sizeof(const char *));
        c->added = (uint32_t *) memAlloc(c->capacity * sizeof(uint32_t));
        c->ranks = (uint32_t *) memAlloc(c->capacity * sizeof(uint32_t));
        c->marks = (uint64_t *) memAlloc((c->capacity / 64 + 1) * sizeof(uint64_t));
    }
    KeyedBookmark *keyed = (KeyedBookmark *) memAlloc((n ? n : 1) * sizeof(KeyedBookmark));
    size_t used = 0, room = (size_t) n * 64 + 256;
    unsigned char *keys = (unsigned char *) memAlloc(room);
    for (uint32_t i = 0; i < n; i++) {
        const Bookmark *b = vec_at<Bookmark>(all, i);
        const char *text = column_text(b, column);
        c->texts[i] = text;
        c->added[i] = b->addDate;
        if (room - used < 256) keys = (unsigned char *) memRealloc(keys, room *= 2);
        uint32_t length = g_key_function(text, keys + used, (uint32_t) (room - used));
        if (length > room - used) {
            while (length > room - used)
                room *= 2;
            keys = (unsigned char *) memRealloc(keys, room);
            length = g_key_function(text, keys + used, (uint32_t) (room - used));
        }
        keyed[i].offset = used;
        keyed[i].length = length;
        keyed[i].index = i;
        used += length;
    }
    g_keys = keys;
    qsort(keyed, n, sizeof *keyed, compare_keyed);
    g_keys = nullptr;
    vec_clear(c->sorted);
    for (uint32_t r = 0; r < n; r++) {
        vec_append_(c->sorted, all->items[keyed[r].index]);
        c->ranks[keyed[r].index] = r;
    }
    memFree(keys);
    memFree(keyed);
}

static ColumnOrder *current_column(ListOrder *order, AppState *app, int column)
{
    ColumnOrder *c = &order->columns[column == 1 ? 1 : 0];
    if (!is_current(c, app->bookmarks, column)) rebuild(c, app->bookmarks, column);
    return c;
}

void list_order_fill(ListOrder *order, AppState *app, int column, const vec *members, vec *shown)
{
    ColumnOrder *c = current_column(order, app, column);
    uint32_t n = c->snapshot->count, words = n / 64 + 1;
    memset(c->marks, 0, words * sizeof(uint64_t));
    const vec_slot *all = c->snapshot->items;
    uint32_t at = 0;
    for (uint32_t i = 0; i < members->count; i++) {
        vec_slot b = members->items[i];
        while (at < n && all[at] < b)
            at++;
        if (at == n) break;
        if (all[at] == b) {
            uint32_t r = c->ranks[at];
            c->marks[r / 64] |= (uint64_t) 1 << (r % 64);
        }
    }
    shown->count = 0; // keeps the slots allocated for the next fill
    for (uint32_t w = 0; w < words; w++)
        for (uint64_t bits = c->marks[w]; bits; bits &= bits - 1)
            vec_append_(shown, c->sorted->items[w * 64 + (uint32_t) __builtin_ctzll(bits)]);
}
