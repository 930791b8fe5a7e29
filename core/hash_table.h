// hash_table: an open hash table of pointer-sized items, each stored with
// its 32-bit hash. Linear probing; removal shifts later members of a probe
// run back (no tombstones), so lookups stay fast after many removals. The
// table never owns what its items point to; what a key is and when an item
// matches it is the caller's business (a match callback).
#ifndef TL_CORE_HASH_TABLE_H
#define TL_CORE_HASH_TABLE_H

#include <stdint.h>

#include "core/vec.h"

struct HashSlot {
    uint32_t hash; // the item's hash
    vec_slot item; // 0 for a free slot
};

struct HashTable {
    HashSlot *slots;   // capacity slots
    uint32_t capacity; // a power of two, at least twice count
    uint32_t count;    // slots in use
};

// 1 when item is the one sought for key.
typedef int (*HashMatch)(vec_slot item, const void *key);

// An empty table of 64 slots.
void hash_table_init(HashTable *t);
// Frees the slots (not what the items point to); all fields 0.
void hash_table_free(HashTable *t);
// The index of the slot whose item matches key (hash equal and match 1), or
// of the free slot where an item with that hash would go.
uint32_t hash_table_probe(const HashTable *t, uint32_t hash, HashMatch match, const void *key);
// Fills the free slot index (from hash_table_probe, nothing changed since).
// The table may grow, which moves items: indices are invalid afterwards.
void hash_table_store(HashTable *t, uint32_t index, uint32_t hash, vec_slot item);
// Makes room for count items without growing again (the items move).
void hash_table_reserve(HashTable *t, uint32_t count);
// Empties the used slot index; other items may move.
void hash_table_remove(HashTable *t, uint32_t index);

// FNV-1a hashes of a zero-terminated text: as it is, and with ASCII letters
// folded to lower case.
uint32_t hash_text(const char *text);
uint32_t hash_text_nocase(const char *text);

#endif
