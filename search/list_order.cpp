// Display orders of the list, kept between fills.
#include "search/list_order.h"

#include <stdlib.h>
#include <string.h>

#include "app/appstate.h"
#include "core/mem.h"
#include "store/bookmark.h"

// One column's order and what it was built from.
struct ColumnOrder {
    vec *sorted;       // every Bookmark, display order
    vec *snapshot;     // the BookmarkList when built (address order)
    uint32_t *hashes;  // hash of each snapshot Bookmark's text, snapshot order
    uint32_t capacity; // slots in hashes
};

struct ListOrder {
    ColumnOrder columns[2];
};

static unsigned char *ascii_key(const char *text, uint32_t *length)
{
    size_t n = strlen(text);
    unsigned char *key = (unsigned char *) memAlloc(n + 1);
    for (size_t i = 0; i < n; i++) {
        unsigned char c = (unsigned char) text[i];
        key[i] = c >= 'A' && c <= 'Z' ? (unsigned char) (c + 32) : c;
    }
    *length = (uint32_t) n;
    return key;
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
        memFree(c.hashes);
    }
    memFree(order);
}

static const char *column_text(const Bookmark *b, int column)
{
    return column == 1 ? b->url : b->title;
}

// FNV-1a over the text: a changed title or url changes it.
static uint32_t text_hash(const char *text)
{
    uint32_t h = 2166136261u;
    for (const unsigned char *p = (const unsigned char *) text; *p; p++)
        h = (h ^ *p) * 16777619u;
    return h;
}

static int is_current(const ColumnOrder *c, const vec *all, int column)
{
    if (c->snapshot->count != all->count) return 0;
    if (all->count == 0) return 1;
    if (memcmp(c->snapshot->items, all->items, all->count * sizeof(vec_slot)) != 0) return 0;
    for (uint32_t i = 0; i < all->count; i++)
        if (c->hashes[i] != text_hash(column_text(vec_at<Bookmark>(all, i), column))) return 0;
    return 1;
}

struct KeyedBookmark {
    unsigned char *key;
    uint32_t length;
    vec_slot bookmark;
};

static int compare_keyed(const void *pa, const void *pb)
{
    const KeyedBookmark *a = (const KeyedBookmark *) pa, *b = (const KeyedBookmark *) pb;
    uint32_t n = a->length < b->length ? a->length : b->length;
    int c = memcmp(a->key, b->key, n);
    if (c) return c;
    if (a->length != b->length) return a->length < b->length ? -1 : 1;
    return a->bookmark < b->bookmark ? -1 : a->bookmark > b->bookmark;
}

static void rebuild(ColumnOrder *c, const vec *all, int column)
{
    uint32_t n = all->count;
    vec_copy(c->snapshot, all);
    if (c->capacity < n || !c->hashes) {
        memFree(c->hashes);
        c->capacity = n ? n : 1;
        c->hashes = (uint32_t *) memAlloc(c->capacity * sizeof(uint32_t));
    }
    KeyedBookmark *keyed = (KeyedBookmark *) memAlloc((n ? n : 1) * sizeof(KeyedBookmark));
    for (uint32_t i = 0; i < n; i++) {
        const Bookmark *b = vec_at<Bookmark>(all, i);
        c->hashes[i] = text_hash(column_text(b, column));
        keyed[i].key = g_key_function(column_text(b, column), &keyed[i].length);
        keyed[i].bookmark = all->items[i];
    }
    qsort(keyed, n, sizeof *keyed, compare_keyed);
    vec_clear(c->sorted);
    for (uint32_t i = 0; i < n; i++) {
        vec_append_(c->sorted, keyed[i].bookmark);
        memFree(keyed[i].key);
    }
    memFree(keyed);
}

static ColumnOrder *current_column(ListOrder *order, AppState *app, int column)
{
    ColumnOrder *c = &order->columns[column == 1 ? 1 : 0];
    if (!is_current(c, app->bookmarks, column)) rebuild(c, app->bookmarks, column);
    return c;
}

void list_order_fill(ListOrder *order, AppState *app, int column, vec *shown)
{
    ColumnOrder *c = current_column(order, app, column);
    shown->count = 0; // keeps the slots allocated for the next fill
    for (uint32_t i = 0; i < c->sorted->count; i++) {
        Bookmark *b = vec_at<Bookmark>(c->sorted, i);
        if (b->flags & BM_LISTED) vec_append(shown, b);
    }
}
