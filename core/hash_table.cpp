// Open hash tables with linear probing and backward-shift removal.
#include "core/hash_table.h"

#include <string.h>

#include "core/mem.h"
#include "core/text_case.h"

static const uint32_t HASH_TABLE_INITIAL = 64;

static void allocate(HashTable *t, uint32_t capacity)
{
    t->slots = (HashSlot *) memAlloc(capacity * sizeof(HashSlot));
    memset(t->slots, 0, capacity * sizeof(HashSlot));
    t->capacity = capacity;
}

void hash_table_init(HashTable *t)
{
    allocate(t, HASH_TABLE_INITIAL);
    t->count = 0;
}

void hash_table_free(HashTable *t)
{
    memFree(t->slots);
    t->slots = nullptr;
    t->capacity = 0;
    t->count = 0;
}

uint32_t hash_table_probe(const HashTable *t, uint32_t hash, HashMatch match, const void *key)
{
    uint32_t mask = t->capacity - 1;
    uint32_t i = hash & mask;
    while (t->slots[i].item) {
        if (t->slots[i].hash == hash && match(t->slots[i].item, key)) return i;
        i = (i + 1) & mask;
    }
    return i;
}

static void rehash(HashTable *t, uint32_t capacity)
{
    HashSlot *old = t->slots;
    uint32_t old_capacity = t->capacity;
    allocate(t, capacity);
    uint32_t mask = t->capacity - 1;
    for (uint32_t i = 0; i < old_capacity; i++) {
        if (!old[i].item) continue;
        uint32_t j = old[i].hash & mask;
        while (t->slots[j].item)
            j = (j + 1) & mask;
        t->slots[j] = old[i];
    }
    memFree(old);
}

void hash_table_store(HashTable *t, uint32_t index, uint32_t hash, vec_slot item)
{
    t->slots[index].hash = hash;
    t->slots[index].item = item;
    if (++t->count * 2 > t->capacity) rehash(t, t->capacity * 2);
}

void hash_table_reserve(HashTable *t, uint32_t count)
{
    uint32_t capacity = t->capacity;
    while (capacity < 0x80000000u && count * (uint64_t) 2 > capacity)
        capacity *= 2;
    if (capacity != t->capacity) rehash(t, capacity);
}

void hash_table_remove(HashTable *t, uint32_t index)
{
    uint32_t mask = t->capacity - 1;
    uint32_t gap = index, j = index;
    for (;;) {
        j = (j + 1) & mask;
        if (!t->slots[j].item) break;
        // The item at j may fill the gap unless its home slot lies
        // cyclically in (gap, j]: then the gap does not cut its run.
        uint32_t home = t->slots[j].hash & mask;
        bool stays = gap <= j ? (gap < home && home <= j) : (gap < home || home <= j);
        if (stays) continue;
        t->slots[gap] = t->slots[j];
        gap = j;
    }
    t->slots[gap].item = 0;
    t->count--;
}

uint32_t hash_text(const char *text)
{
    uint32_t h = 2166136261u;
    for (const unsigned char *p = (const unsigned char *) text; *p; p++)
        h = (h ^ *p) * 16777619u;
    return h;
}

uint32_t hash_text_nocase(const char *text)
{
    uint32_t h = 2166136261u;
    for (const unsigned char *p = (const unsigned char *) text; *p; p++)
        h = (h ^ ascii_fold(*p)) * 16777619u;
    return h;
}
