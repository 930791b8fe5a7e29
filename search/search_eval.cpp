// Search evaluation over the keyword index.
//
// A term scans every keyword once and takes the union of the Bookmark sets
// of those it matches. A one-letter prefix can match thousands of keywords,
// so the sets are merged all at once through a heap of cursors instead of
// one after another: the cost grows with the total size of the sets (times
// the logarithm of their number), not with that size times their number. The
// result is the same: address order, each Bookmark once.
//
// The tree is walked with explicit stacks on the heap, so neither a long
// chain of left-grouped operators nor deep nesting can exhaust the stack.
#include "search/search_eval.h"

#include <string.h>

#include "core/dupstr.h"
#include "core/mem.h"
#include "core/panic.h"
#include "search/keyword_index.h"

// ---- Set operations --------------------------------------------------------

vec *set_intersect(const vec *a, const vec *b)
{
    vec *out = vec_create();
    uint32_t i = 0, j = 0;
    while (i < a->count && j < b->count) {
        vec_slot x = a->items[i], y = b->items[j];
        if (y < x) {
            j++;
        } else if (x == y) {
            vec_append_(out, x);
            i++;
            j++;
        } else {
            i++;
        }
    }
    return out;
}

vec *set_union(const vec *a, const vec *b)
{
    vec *out = vec_create();
    uint32_t i = 0, j = 0;
    while (i < a->count && j < b->count) {
        vec_slot x = a->items[i], y = b->items[j];
        if (x < y) {
            vec_append_(out, x);
            i++;
        } else if (y < x) {
            vec_append_(out, y);
            j++;
        } else {
            vec_append_(out, x);
            i++;
            j++;
        }
    }
    for (; i < a->count; i++)
        vec_append_(out, a->items[i]);
    for (; j < b->count; j++)
        vec_append_(out, b->items[j]);
    return out;
}

vec *set_minus(const vec *a, const vec *b)
{
    vec *out = vec_create();
    uint32_t i = 0, j = 0;
    while (i < a->count && j < b->count) {
        vec_slot x = a->items[i], y = b->items[j];
        if (x < y) {
            vec_append_(out, x);
            i++;
        } else if (x == y) {
            i++;
            j++;
        } else {
            j++;
        }
    }
    for (; i < a->count; i++)
        vec_append_(out, a->items[i]);
    return out;
}

// The union of many sets at once. The heap holds one cursor per set that
// still has elements, smallest current element on top; an element equal to
// the last one written is a repeat and is skipped.
struct Cursor {
    const vec_slot *at;  // current element
    const vec_slot *end; // one past the last
};

static void sift_down(Cursor *heap, uint32_t count, uint32_t i)
{
    Cursor c = heap[i];
    for (;;) {
        uint32_t child = 2 * i + 1;
        if (child >= count) break;
        if (child + 1 < count && *heap[child + 1].at < *heap[child].at) child++;
        if (*c.at <= *heap[child].at) break;
        heap[i] = heap[child];
        i = child;
    }
    heap[i] = c;
}

static vec *union_of_entries(const vec *entries)
{
    if (entries->count == 0) return vec_create();
    if (entries->count == 1) {
        vec *out = vec_create();
        vec_copy(out, vec_at<KeywordEntry>(entries, 0)->bookmarks);
        return out;
    }
    if (entries->count == 2)
        return set_union(vec_at<KeywordEntry>(entries, 0)->bookmarks,
                         vec_at<KeywordEntry>(entries, 1)->bookmarks);

    Cursor *heap = (Cursor *) memAlloc(entries->count * sizeof(Cursor));
    uint32_t count = 0;
    for (uint32_t i = 0; i < entries->count; i++) {
        const vec *set = vec_at<KeywordEntry>(entries, i)->bookmarks;
        if (set->count) heap[count++] = {set->items, set->items + set->count};
    }
    for (uint32_t i = count / 2; i-- > 0;)
        sift_down(heap, count, i);

    vec *out = vec_create();
    while (count) {
        vec_slot x = *heap[0].at;
        if (out->count == 0 || out->items[out->count - 1] != x) vec_append_(out, x);
        if (++heap[0].at == heap[0].end) heap[0] = heap[--count];
        if (count) sift_down(heap, count, 0);
    }
    memFree(heap);
    return out;
}

// ---- Terms -----------------------------------------------------------------

static unsigned char fold(unsigned char c)
{
    return c >= 'A' && c <= 'Z' ? (unsigned char) (c + ('a' - 'A')) : c;
}

// Does keyword begin with (prefix) or equal term, of length n?
static bool term_matches(const char *keyword, const char *term, size_t n, bool prefix,
                         bool case_sensitive)
{
    if (case_sensitive) {
        if (strncmp(keyword, term, n) != 0) return false;
    } else {
        for (size_t i = 0; i < n; i++) {
            // A shorter keyword fails here on its terminating zero.
            if (fold((unsigned char) keyword[i]) != fold((unsigned char) term[i])) return false;
        }
    }
    return prefix || keyword[n] == 0;
}

vec *match_term(SearchContext *ctx, const ExpNode *term)
{
    const char *t = term->text;
    size_t n = strlen(t);
    bool prefix = (ctx->flags & SEARCH_PREFIX) && !term->exact;
    bool case_sensitive = (ctx->flags & SEARCH_CASE) != 0;

    // Most keywords fail on their first byte; that test is made inline.
    unsigned char first = n ? (unsigned char) t[0] : 0, first_other = first;
    if (!case_sensitive) {
        first = fold(first);
        first_other = first >= 'a' && first <= 'z' ? (unsigned char) (first - ('a' - 'A')) : first;
    }

    const vec *entries = ctx->index->entries;
    vec *matched = vec_create();
    for (uint32_t i = 0; i < entries->count; i++) {
        const KeywordEntry *e = vec_at<KeywordEntry>(entries, i);
        unsigned char c = (unsigned char) e->text[0];
        if (n && c != first && c != first_other) continue;
        if (term_matches(e->text, t, n, prefix, case_sensitive)) vec_append(matched, e);
    }

    // The caret touches the word from just before its first byte to just
    // after its last (the full stop included).
    int64_t from = term->offset, to = from + (int64_t) n + (term->exact ? 1 : 0);
    if (ctx->caret >= from && ctx->caret <= to) {
        for (uint32_t i = 0; i < matched->count; i++) {
            if (ctx->hint_text.length) vstrAppendCh(&ctx->hint_text, ' ');
            vstrAppend(&ctx->hint_text, vec_at<KeywordEntry>(matched, i)->text);
        }
    }

    vec *result = union_of_entries(matched);
    vec_destroy(matched);
    return result;
}

// ---- Trees -----------------------------------------------------------------

// The set of an operator node from the sets of its operands (either may be
// null for an operand that is absent).
static vec *combine(SearchContext *ctx, const ExpNode *n, const vec *l, const vec *r)
{
    static const vec empty = {nullptr, 0, 0};
    if (!l) l = &empty;
    if (!r) r = &empty;
    switch (n->op) {
    case EXP_AND: return set_intersect(l, r);
    case EXP_OR: return set_union(l, r);
    case EXP_NOT: return set_minus(ctx->all, l);
    case EXP_IMPLIED: return ctx->flags & SEARCH_IMPLIED_OR ? set_union(l, r) : set_intersect(l, r);
    }
    panic("unknown node type in eval_exp");
    return vec_create();
}

static vec *pop_set(vec *stack)
{
    return (vec *) stack->items[--stack->count];
}

vec *eval_exp(SearchContext *ctx, const ExpNode *node)
{
    // Post-order walk: a node is pushed once to visit its operands (left on
    // top, so it is matched first and adds to the hint first) and once, with
    // the low bit set, to combine their sets.
    const vec_slot COMBINE = 1;
    vec *work = vec_create();
    vec *sets = vec_create();
    vec_append(work, node);
    while (work->count) {
        vec_slot slot = work->items[--work->count];
        const ExpNode *n = (const ExpNode *) (slot & ~COMBINE);
        if (n->type == EXP_TERM) {
            vec_append(sets, match_term(ctx, n));
        } else if (!(slot & COMBINE)) {
            vec_append_(work, slot | COMBINE);
            if (n->right) vec_append(work, n->right);
            if (n->left) vec_append(work, n->left);
        } else {
            vec *r = n->right ? pop_set(sets) : nullptr;
            vec *l = n->left ? pop_set(sets) : nullptr;
            vec_append(sets, combine(ctx, n, l, r));
            if (l) vec_destroy(l);
            if (r) vec_destroy(r);
        }
    }
    vec *result = pop_set(sets);
    vec_destroy(sets);
    vec_destroy(work);
    return result;
}

int search_exp(SearchContext *ctx)
{
    ExpNode *tree = parse_exp(ctx->text);
    if (!tree) return 0;
    vstrInit(&ctx->hint_text);
    ctx->result = eval_exp(ctx, tree);
    ctx->hint = ctx->hint_text.length ? dupstr(ctx->hint_text.data) : nullptr;
    vstrClear(&ctx->hint_text);
    free_exp(tree);
    return 1;
}
