// The URL index: an open hash table over case-folded URLs with linear
// probing and backward-shift removal (no tombstones, so lookups never slow
// down after many deletes).
#include "store/url_index.h"

#include <string.h>

#include "core/mem.h"
#include "core/panic.h"
#include "search/keyword_index.h"
#include "store/bookmark.h"

static const uint32_t URL_INDEX_INITIAL = 64;

static uint32_t hash_url(const char *url)
{
    uint32_t h = 2166136261u;
    for (const unsigned char *p = (const unsigned char *) url; *p; p++) {
        unsigned char c = *p;
        if (c >= 'A' && c <= 'Z') c = (unsigned char) (c + ('a' - 'A'));
        h = (h ^ c) * 16777619u;
    }
    return h;
}

static bool is_group(vec_slot item)
{
    return item & 1;
}

static vec *group_of(vec_slot item)
{
    return (vec *) (item & ~(vec_slot) 1);
}

// The lowest-addressed Bookmark of a slot's item.
static Bookmark *first_of(vec_slot item)
{
    return is_group(item) ? vec_at<Bookmark>(group_of(item), 0) : (Bookmark *) item;
}

static void allocate(UrlIndex *index, uint32_t capacity)
{
    index->slots = (UrlSlot *) memAlloc(capacity * sizeof(UrlSlot));
    memset(index->slots, 0, capacity * sizeof(UrlSlot));
    index->capacity = capacity;
}

UrlIndex *url_index_create(void)
{
    UrlIndex *index = (UrlIndex *) memAlloc(sizeof(UrlIndex));
    index->count = 0;
    allocate(index, URL_INDEX_INITIAL);
    return index;
}

void url_index_destroy(UrlIndex *index)
{
    for (uint32_t i = 0; i < index->capacity; i++)
        if (is_group(index->slots[i].item)) vec_destroy(group_of(index->slots[i].item));
    memFree(index->slots);
    memFree(index);
}

// The slot holding url's Bookmarks, or the free slot where they would go.
static uint32_t probe(const UrlIndex *index, const char *url, uint32_t hash)
{
    uint32_t mask = index->capacity - 1;
    uint32_t i = hash & mask;
    while (index->slots[i].item) {
        const UrlSlot *s = &index->slots[i];
        if (s->hash == hash && compare_nocase(first_of(s->item)->url, url) == 0) return i;
        i = (i + 1) & mask;
    }
    return i;
}

static void grow(UrlIndex *index)
{
    UrlSlot *old = index->slots;
    uint32_t old_capacity = index->capacity;
    allocate(index, old_capacity * 2);
    uint32_t mask = index->capacity - 1;
    for (uint32_t i = 0; i < old_capacity; i++) {
        if (!old[i].item) continue;
        uint32_t j = old[i].hash & mask;
        while (index->slots[j].item)
            j = (j + 1) & mask;
        index->slots[j] = old[i];
    }
    memFree(old);
}

void url_index_add(UrlIndex *index, Bookmark *b)
{
    if (!b->url[0]) return;
    uint32_t hash = hash_url(b->url);
    uint32_t i = probe(index, b->url, hash);
    UrlSlot *s = &index->slots[i];
    if (!s->item) {
        s->hash = hash;
        s->item = (vec_slot) b;
        if (++index->count * 2 >= index->capacity) grow(index);
        return;
    }
    if (!is_group(s->item)) {
        vec *group = vec_create();
        vec_append(group, s->item);
        s->item = (vec_slot) group | 1;
    }
    vecs_insert(group_of(s->item), b, nullptr);
}

// Frees slot i, moving later members of its probe run back so that every
// item stays reachable from its home slot.
static void free_slot(UrlIndex *index, uint32_t i)
{
    uint32_t mask = index->capacity - 1;
    uint32_t j = i;
    for (;;) {
        j = (j + 1) & mask;
        if (!index->slots[j].item) break;
        uint32_t home = index->slots[j].hash & mask;
        // The item at j may move to i unless its home lies cyclically in
        // (i, j], where the gap at i does not interrupt its run.
        bool stays = i <= j ? (i < home && home <= j) : (i < home || home <= j);
        if (stays) continue;
        index->slots[i] = index->slots[j];
        i = j;
    }
    index->slots[i].item = 0;
    index->count--;
}

// Takes b out of slot i; 0 when b is not there.
static int remove_from_slot(UrlIndex *index, uint32_t i, Bookmark *b)
{
    UrlSlot *s = &index->slots[i];
    if (!is_group(s->item)) {
        if ((Bookmark *) s->item != b) return 0;
        free_slot(index, i);
        return 1;
    }
    vec *group = group_of(s->item);
    uint32_t pos;
    if (!vecs_search(group, b, &pos, nullptr)) return 0;
    vec_remove(group, pos);
    if (group->count == 1) {
        s->item = group->items[0];
        vec_destroy(group);
    }
    return 1;
}

void url_index_remove(UrlIndex *index, Bookmark *b)
{
    if (!b->url[0]) return;
    uint32_t i = probe(index, b->url, hash_url(b->url));
    if (index->slots[i].item && remove_from_slot(index, i, b)) return;
    // Its url was changed behind the index's back. Find it the slow way so
    // that no pointer to a freed Bookmark stays behind.
    panic("url_index_remove: Bookmark not filed under its url");
    for (i = 0; i < index->capacity; i++)
        if (index->slots[i].item && remove_from_slot(index, i, b)) return;
}

Bookmark *url_index_find(const UrlIndex *index, const char *url)
{
    if (!url || !url[0]) return nullptr;
    uint32_t i = probe(index, url, hash_url(url));
    return index->slots[i].item ? first_of(index->slots[i].item) : nullptr;
}
