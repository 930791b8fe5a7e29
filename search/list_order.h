// The display orders of the list: every Bookmark sorted by title (column 0)
// or by url (column 1), ascending, case-insensitively in the order of the
// system's locale, ties in address order. Each order is built once from sort
// keys and kept while the BookmarkList's change count (bumped by every add,
// delete, title or url change) stays what it was, so no change leaves it
// stale, whatever addresses a new record or text happens to get. Filling the
// list then costs one pass over the order instead of a sort.
#ifndef TL_SEARCH_LIST_ORDER_H
#define TL_SEARCH_LIST_ORDER_H

#include <stdint.h>

#include "core/vec.h"

struct AppState;
struct ListOrder;

// Writes the sort key of text into key (at most size bytes) and returns its
// full length, which may exceed size (the caller then asks again with room
// enough). The byte-wise order of keys (memcmp, a shorter key first when one
// is a prefix of the other) is the case-insensitive order of the texts.
typedef uint32_t (*SortKeyFunction)(const char *text, unsigned char *key, uint32_t size);

// The key function of order's display orders (built anew from now on). The
// default folds ASCII letters to lower case; the Windows shell installs the
// locale's.
void list_order_use_keys(ListOrder *order, SortKeyFunction function);

ListOrder *list_order_create(void);
void list_order_destroy(ListOrder *order);
// Makes shown the Bookmarks of members (a set of the BookmarkList's
// Bookmarks in address order) in the display order of column (0 title,
// 1 url).
void list_order_fill(ListOrder *order, AppState *app, int column, const vec *members, vec *shown);
// Drops the orders, so that the next fill builds them anew.
void list_order_forget(ListOrder *order);
#endif
