// The URL index: a hash table over case-folded URLs. A URL that several
// Bookmarks share keeps them in an address-ordered vec, so the lowest
// address stays at hand however many there are.
#include "store/url_index.h"

#include "core/mem.h"
#include "core/panic.h"
#include "search/keyword_index.h"
#include "store/bookmark.h"

static bool is_group(vec_slot item)
{
    return item & 1;
}

static vec *group_of(vec_slot item)
{
    return (vec *) (item & ~(vec_slot) 1);
}

// The lowest-addressed Bookmark of an item.
static Bookmark *first_of(vec_slot item)
{
    return is_group(item) ? vec_at<Bookmark>(group_of(item), 0) : (Bookmark *) item;
}

static int url_matches(vec_slot item, const void *url)
{
    return compare_nocase(first_of(item)->url, (const char *) url) == 0;
}

UrlIndex *url_index_create(void)
{
    UrlIndex *index = (UrlIndex *) memAlloc(sizeof(UrlIndex));
    hash_table_init(&index->table);
    return index;
}

void url_index_destroy(UrlIndex *index)
{
    for (uint32_t i = 0; i < index->table.capacity; i++)
        if (is_group(index->table.slots[i].item)) vec_destroy(group_of(index->table.slots[i].item));
    hash_table_free(&index->table);
    memFree(index);
}

void url_index_add(UrlIndex *index, Bookmark *b)
{
    if (!b->url[0]) return;
    uint32_t hash = hash_text_nocase(b->url);
    uint32_t i = hash_table_probe(&index->table, hash, url_matches, b->url);
    HashSlot *s = &index->table.slots[i];
    if (!s->item) {
        hash_table_store(&index->table, i, hash, (vec_slot) b);
        return;
    }
    if (!is_group(s->item)) {
        vec *group = vec_create();
        vec_append(group, s->item);
        s->item = (vec_slot) group | 1;
    }
    vecs_insert(group_of(s->item), b, nullptr);
}

void url_index_prefetch(const UrlIndex *index, const char *url)
{
    const HashTable *t = &index->table;
    __builtin_prefetch(&t->slots[hash_text_nocase(url) & (t->capacity - 1)]);
}

void url_index_reserve(UrlIndex *index, uint32_t count)
{
    hash_table_reserve(&index->table, count);
}

// Takes b out of slot i; 0 when b is not there.
static int remove_from_slot(UrlIndex *index, uint32_t i, Bookmark *b)
{
    HashSlot *s = &index->table.slots[i];
    if (!is_group(s->item)) {
        if ((Bookmark *) s->item != b) return 0;
        hash_table_remove(&index->table, i);
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
    uint32_t i = hash_table_probe(&index->table, hash_text_nocase(b->url), url_matches, b->url);
    if (index->table.slots[i].item && remove_from_slot(index, i, b)) return;
    // Its url was changed behind the index's back. Find it the slow way so
    // that no pointer to a freed Bookmark stays behind.
    panic("url_index_remove: Bookmark not filed under its url");
    for (i = 0; i < index->table.capacity; i++)
        if (index->table.slots[i].item && remove_from_slot(index, i, b)) return;
}

Bookmark *url_index_find(const UrlIndex *index, const char *url)
{
    if (!url || !url[0]) return nullptr;
    uint32_t i = hash_table_probe(&index->table, hash_text_nocase(url), url_matches, url);
    vec_slot item = index->table.slots[i].item;
    return item ? first_of(item) : nullptr;
}

const vec_slot *url_index_find_all(const UrlIndex *index, const char *url, uint32_t *count)
{
    *count = 0;
    if (!url || !url[0]) return nullptr;
    uint32_t i = hash_table_probe(&index->table, hash_text_nocase(url), url_matches, url);
    const vec_slot *item = &index->table.slots[i].item;
    if (!*item) return nullptr;
    if (!is_group(*item)) {
        *count = 1;
        return item;
    }
    const vec *group = group_of(*item);
    *count = group->count;
    return group->items;
}
