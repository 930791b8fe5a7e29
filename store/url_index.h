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

#include "core/vec.h"

struct Bookmark;

// One slot of the open hash table. item is 0 for a free slot, a Bookmark
// pointer for a URL held once, or, with bit 0 set, a vec of the Bookmarks
// sharing that URL in address order (two or more).
struct UrlSlot {
    uint32_t hash; // hash of the case-folded URL
    vec_slot item;
};

struct UrlIndex {
    UrlSlot *slots;    // capacity slots, linear probing
    uint32_t capacity; // a power of two, more than twice count
    uint32_t count;    // slots in use (distinct URLs)
};

UrlIndex *url_index_create(void);
// Frees the table and its shared-URL vecs; the Bookmarks are not touched.
void url_index_destroy(UrlIndex *index);
// Files b under its current url (nothing for an empty url).
void url_index_add(UrlIndex *index, Bookmark *b);
// Takes b out of the index; its url must still be the one it was filed
// under. Nothing for an empty url.
void url_index_remove(UrlIndex *index, Bookmark *b);
// The lowest-addressed Bookmark whose url equals url ignoring ASCII case;
// null for none or for an empty url.
Bookmark *url_index_find(const UrlIndex *index, const char *url);

#endif
