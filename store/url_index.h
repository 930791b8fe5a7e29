// The URL index: finds the Bookmark with a given URL, ignoring ASCII case,
// in constant expected time. It answers exactly what a walk of the
// BookmarkList would: of several Bookmarks whose URLs are equal ignoring
// case, the one with the lowest address. Bookmarks with an empty URL are
// never indexed (an empty URL never finds anything).
//
// The index files a Bookmark under its url as it is when added; whoever
// changes a Bookmark's url removes it first and adds it again afterwards
// (set_bookmark_url does both).
#ifndef TL_STORE_URL_INDEX_H
#define TL_STORE_URL_INDEX_H

#include <stdint.h>

#include "core/hash_table.h"

struct Bookmark;

// The table's items are Bookmark pointers for a URL held once or, with bit 0
// set, a vec of the Bookmarks sharing that URL in address order (two or
// more); the hash is that of the case-folded URL.
struct UrlIndex {
    HashTable table;
};

UrlIndex *url_index_create(void);
// Frees the table and its shared-URL vecs; the Bookmarks are not touched.
void url_index_destroy(UrlIndex *index);
// Files b under its current url (nothing for an empty url).
void url_index_add(UrlIndex *index, Bookmark *b);
// Starts fetching the table slot where url would be found into the cache,
// for a lookup of url that is to come shortly. Changes nothing.
void url_index_prefetch(const UrlIndex *index, const char *url);
// Makes room for count Bookmarks in all, so that adding them does not grow
// the table step by step.
void url_index_reserve(UrlIndex *index, uint32_t count);
// Takes b out of the index; its url must still be the one it was filed
// under. Nothing for an empty url.
void url_index_remove(UrlIndex *index, Bookmark *b);
// The lowest-addressed Bookmark whose url equals url ignoring ASCII case;
// null for none or for an empty url.
Bookmark *url_index_find(const UrlIndex *index, const char *url);
// Every Bookmark whose url equals url ignoring ASCII case, in address order:
// *count slots, each a Bookmark pointer. The slots belong to the index and
// stay valid until it next changes. Null with *count 0 for none or "".
const vec_slot *url_index_find_all(const UrlIndex *index, const char *url, uint32_t *count);

#endif
