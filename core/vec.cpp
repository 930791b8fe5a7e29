// Growable pointer vectors, plain and sorted.
#include "core/vec.h"

#include <string.h>

#include "core/mem.h"

static const uint32_t VEC_INITIAL = 16;

vec *vec_create(void)
{
    vec *v = (vec *) memAlloc(sizeof(vec));
    v->items = (vec_slot *) memAlloc(VEC_INITIAL * sizeof(vec_slot));
    v->capacity = VEC_INITIAL;
    v->count = 0;
    return v;
}

void vec_destroy(vec *v)
{
    memFree(v->items);
    memFree(v);
}

// Raises the capacity by half of itself until it exceeds count.
static void grow(vec *v)
{
    uint32_t cap = v->capacity ? v->capacity : VEC_INITIAL;
    while (cap <= v->count)
        cap += cap / 2;
    v->items = (vec_slot *) memRealloc(v->items, (size_t) cap * sizeof(vec_slot));
    v->capacity = cap;
}

void vec_reserve(vec *v, uint32_t capacity)
{
    if (capacity <= v->capacity) return;
    v->items = (vec_slot *) memRealloc(v->items, (size_t) capacity * sizeof(vec_slot));
    v->capacity = capacity;
}

void vec_insert_(vec *v, uint32_t index, vec_slot item)
{
    if (v->count == v->capacity) grow(v);
    if (index < v->count)
        memmove(v->items + index + 1, v->items + index, (v->count - index) * sizeof(vec_slot));
    v->items[index] = item;
    v->count++;
}

void vec_append_(vec *v, vec_slot item)
{
    if (v->count == v->capacity) grow(v);
    v->items[v->count++] = item;
}

void vec_remove(vec *v, uint32_t index)
{
    if (index + 1 < v->count)
        memmove(v->items + index, v->items + index + 1, (v->count - index - 1) * sizeof(vec_slot));
    v->count--;
}

uint32_t vec_search_(const vec *v, vec_slot item)
{
    for (uint32_t i = 0; i < v->count; i++)
        if (v->items[i] == item) return i;
    return VEC_NONE;
}

void vec_copy(vec *dst, const vec *src)
{
    uint32_t cap = VEC_INITIAL;
    while (cap < src->count)
        cap += cap / 2;
    memFree(dst->items);
    dst->items = (vec_slot *) memAlloc((size_t) cap * sizeof(vec_slot));
    dst->capacity = cap;
    if (src->count) memcpy(dst->items, src->items, src->count * sizeof(vec_slot));
    dst->count = src->count;
}

static int compare_unsigned(vec_slot slot, vec_slot key)
{
    return slot > key ? 1 : slot < key ? -1 : 0;
}

int vecs_search_(const vec *v, vec_slot key, uint32_t *position, vec_compare compare)
{
    if (v->count == 0) {
        *position = 0;
        return 0;
    }
    if (!compare) compare = compare_unsigned;
    uint32_t lo = 0, hi = v->count - 1;
    // Halve while more than four slots remain, then finish linearly: the
    // linear pass also yields the insertion point.
    while (lo + 3 < hi) {
        uint32_t mid = (lo + hi) / 2;
        int r = compare(v->items[mid], key);
        if (r > 0)
            hi = mid - 1;
        else if (r == 0) {
            *position = mid;
            return 1;
        } else
            lo = mid + 1;
    }
    for (uint32_t i = lo; i <= hi; i++) {
        int r = compare(v->items[i], key);
        if (r >= 0) {
            *position = i;
            return r == 0;
        }
    }
    *position = hi + 1;
    return 0;
}

int vecs_insert_(vec *v, vec_slot item, vec_compare compare)
{
    uint32_t pos;
    if (vecs_search_(v, item, &pos, compare)) return 1;
    vec_insert_(v, pos, item);
    return 0;
}
