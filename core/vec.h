// vec: a growable array of pointer-sized slots. The vec_ operations treat it
// as a plain list; the vecs_ operations keep it as a set in ascending order
// under a comparison function and find places in it by binary search.
// A vec never owns what its slots point to.
#ifndef TL_CORE_VEC_H
#define TL_CORE_VEC_H

#include <stdint.h>

typedef uintptr_t vec_slot;

struct vec {
    vec_slot *items;   // the elements, slot 0 first
    uint32_t capacity; // slots allocated in items
    uint32_t count;    // slots in use, at most capacity
};

// Compares the value of a slot (first) with the key sought (second):
// negative when the slot sorts before the key, 0 when equal, positive after.
typedef int (*vec_compare)(vec_slot slot, vec_slot key);

// vec_search_'s answer for an absent item.
const uint32_t VEC_NONE = 0xFFFFFFFFu;

// A new vec with 16 slots and count 0.
vec *vec_create(void);
// Frees the array and the header; the elements are not touched.
void vec_destroy(vec *v);
// Makes room for capacity slots in all (nothing when there is room).
void vec_reserve(vec *v, uint32_t capacity);
// Stores item at index (at most count, not checked), moving later slots up.
void vec_insert_(vec *v, uint32_t index, vec_slot item);
// Stores item after the last slot.
void vec_append_(vec *v, vec_slot item);
// Removes slot index (below count, not checked), moving later slots down.
void vec_remove(vec *v, uint32_t index);
// Index of the first slot equal to item, or VEC_NONE.
uint32_t vec_search_(const vec *v, vec_slot item);
// Makes dst a copy of src's slots (src unchanged).
void vec_copy(vec *dst, const vec *src);

// Binary search for key. Returns 1 and the index of an equal slot, or 0 and
// the index at which key would be inserted to keep the order. A null compare
// orders the slots as unsigned numbers (pointers by address).
int vecs_search_(const vec *v, vec_slot key, uint32_t *position, vec_compare compare);
// Inserts item at its place unless an equal slot exists: 1 when one did
// (nothing changed), 0 when the item was inserted.
int vecs_insert_(vec *v, vec_slot item, vec_compare compare);

// The element of slot i as a pointer of type T.
template <typename T> inline T *vec_at(const vec *v, uint32_t i)
{
    return reinterpret_cast<T *>(v->items[i]);
}

#define vec_insert(v, index, item) vec_insert_((v), (index), (vec_slot) (item))
#define vec_append(v, item) vec_append_((v), (vec_slot) (item))
#define vec_search(v, item) vec_search_((v), (vec_slot) (item))
#define vecs_search(v, key, position, compare)                                                     \
    vecs_search_((v), (vec_slot) (key), (position), (compare))
#define vecs_insert(v, item, compare) vecs_insert_((v), (vec_slot) (item), (compare))

#endif
