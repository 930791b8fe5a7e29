// Sorting appended slots into an ordered vec.
#include "core/vec_order.h"

#include <algorithm>
#include <string.h>

#include "core/mem.h"

void vecs_merge_tail(vec *v, uint32_t ordered, vec_compare compare)
{
    if (ordered >= v->count) return;
    vec_slot *tail = v->items + ordered, *end = v->items + v->count;
    if (compare)
        std::sort(tail, end, [compare](vec_slot a, vec_slot b) { return compare(a, b) < 0; });
    else
        std::sort(tail, end);
    vecs_merge_sorted_tail(v, ordered, compare);
}

void vecs_merge_sorted_tail(vec *v, uint32_t ordered, vec_compare compare)
{
    if (ordered == 0 || ordered >= v->count) return;
    uint32_t k = v->count - ordered;
    vec_slot *tail = (vec_slot *) memAlloc(k * sizeof(vec_slot));
    memcpy(tail, v->items + ordered, k * sizeof(vec_slot));
    // Merge from the back, so each slot moves once and the ordered part
    // needs no copy.
    uint32_t i = ordered, j = k, w = v->count;
    while (j > 0) {
        bool take_ordered = i > 0 && (compare ? compare(v->items[i - 1], tail[j - 1]) > 0
                                              : v->items[i - 1] > tail[j - 1]);
        v->items[--w] = take_ordered ? v->items[--i] : tail[--j];
    }
    memFree(tail);
}
