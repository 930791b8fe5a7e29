// vec_order: putting a sorted vec back in order after slots were appended
// to it out of order, at once (sort the appended slots, merge them in).
// Used where many insertions in a row would each move half the vec.
#ifndef TL_CORE_VEC_ORDER_H
#define TL_CORE_VEC_ORDER_H

#include "core/vec.h"

// v's slots [0, ordered) are in ascending order under compare (null:
// unsigned numbers, so pointers by address); the slots from ordered on are
// in any order. Afterwards all of v is in ascending order. Here compare's
// key is another slot. Slots that compare equal keep no particular order.
void vecs_merge_tail(vec *v, uint32_t ordered, vec_compare compare);
// The same when the slots from ordered on are in order already (sorted by
// the caller in some faster way): only the merge is done.
void vecs_merge_sorted_tail(vec *v, uint32_t ordered, vec_compare compare);

#endif
