// Search evaluation over the keyword index.
//
// A term tests the keywords that can match it and takes the union of the
// Bookmark sets of those that do. Keywords are in byte-wise order, so only
// those that begin with the term's first character (in either case when case
// does not matter) are tested; the others cannot match. A one-letter prefix can
// still match thousands of keywords, and merging their sets one after
// another would cost their total size times their number; they are gathered
// and sorted in linear time instead. The result is the same: address order,
// each Bookmark once.
//
// The tree is walked with explicit stacks on the heap, so neither a long
// chain of left-grouped operators nor deep nesting can exhaust the stack.
#include "search/search_eval.h"

#include <string.h>

#include <utility>

#include "core/dupstr.h"
#include "core/mem.h"
#include "core/panic.h"
#include "core/text_case.h"
#include "search/keyword_index.h"

// ---- Set operations --------------------------------------------------------

// The three set operations are one walk of both sets in address order;
// which members go to the result tells them apart.
enum : unsigned { KEEP_ONLY_A = 1, KEEP_BOTH = 2, KEEP_ONLY_B = 4 };

static vec *set_merge(const vec *a, const vec *b, unsigned keep)
{
    vec *out = vec_create();
    uint32_t i = 0, j = 0;
    while (i < a->count && j < b->count) {
        vec_slot x = a->items[i], y = b->items[j];
        if (x < y) {
            if (keep & KEEP_ONLY_A) vec_append_(out, x);
            i++;
        } else if (y < x) {
            if (keep & KEEP_ONLY_B) vec_append_(out, y);
            j++;
        } else {
            if (keep & KEEP_BOTH) vec_append_(out, x);
            i++;
            j++;
        }
    }
    for (; i < a->count && (keep & KEEP_ONLY_A); i++)
        vec_append_(out, a->items[i]);
    for (; j < b->count && (keep & KEEP_ONLY_B); j++)
        vec_append_(out, b->items[j]);
    return out;
}

vec *set_intersect(const vec *a, const vec *b)
{
    return set_merge(a, b, KEEP_BOTH);
}

vec *set_union(const vec *a, const vec *b)
{
    return set_merge(a, b, KEEP_ONLY_A | KEEP_BOTH | KEEP_ONLY_B);
}

vec *set_minus(const vec *a, const vec *b)
{
    return set_merge(a, b, KEEP_ONLY_A);
}

// Sorts n values in place, with tmp as room for n more, by a radix sort on
// their differences from the smallest: a few linear passes of RADIX_BITS
// each, however the values are spread.
const unsigned RADIX_BITS = 11;

static void radix_sort(vec_slot *a, vec_slot *tmp, uint32_t n)
{
    if (n < 2) return;
    vec_slot lo = a[0], spread = 0;
    for (uint32_t i = 1; i < n; i++)
        if (a[i] < lo) lo = a[i];
    for (uint32_t i = 0; i < n; i++)
        spread |= a[i] - lo;
    if (spread == 0) return; // all equal
    // Bits that are zero in every difference (the alignment) are skipped.
    unsigned shift = 0;
    while (!(spread & 1)) {
        spread >>= 1;
        shift++;
    }
    const uint32_t buckets = 1u << RADIX_BITS;
    uint32_t *count = (uint32_t *) memAlloc(buckets * sizeof(uint32_t));
    for (; spread; spread >>= RADIX_BITS, shift += RADIX_BITS) {
        memset(count, 0, buckets * sizeof(uint32_t));
        for (uint32_t i = 0; i < n; i++)
            count[((a[i] - lo) >> shift) & (buckets - 1)]++;
        uint32_t sum = 0;
        for (uint32_t d = 0; d < buckets; d++) {
            uint32_t c = count[d];
            count[d] = sum;
            sum += c;
        }
        for (uint32_t i = 0; i < n; i++)
            tmp[count[((a[i] - lo) >> shift) & (buckets - 1)]++] = a[i];
        memcpy(a, tmp, n * sizeof(vec_slot));
    }
    memFree(count);
}

// The union of the Bookmark sets of the given entries. Two or fewer are
// merged directly; more are gathered into one array, sorted by a radix sort
// and written out without repeats, in time linear in their total size.
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

    size_t total = 0;
    for (uint32_t i = 0; i < entries->count; i++)
        total += vec_at<KeywordEntry>(entries, i)->bookmarks->count;
    vec_slot *all = (vec_slot *) memAlloc((2 * total + 1) * sizeof(vec_slot));
    vec_slot *at = all;
    for (uint32_t i = 0; i < entries->count; i++) {
        const vec *set = vec_at<KeywordEntry>(entries, i)->bookmarks;
        memcpy(at, set->items, set->count * sizeof(vec_slot));
        at += set->count;
    }
    radix_sort(all, all + total, (uint32_t) total);
    vec *out = vec_create();
    for (size_t i = 0; i < total; i++)
        if (i == 0 || all[i] != all[i - 1]) vec_append_(out, all[i]);
    memFree(all);
    return out;
}

// ---- Terms -----------------------------------------------------------------

// Does keyword begin with (prefix) or equal the term of n bytes? Without case
// the term comes folded and the keyword is folded as it is compared.
static bool term_matches(const char *keyword, const char *term, size_t n, bool prefix,
                         bool case_sensitive)
{
    if (case_sensitive ? strncmp(keyword, term, n) != 0 : !folded_starts_with(keyword, term, n))
        return false;
    return prefix || keyword[n] == 0;
}

// The first entry whose text is not below the len bytes at key compared on
// its first len bytes (with at_end, the first one above them): entries from
// the one to the other begin with those bytes (all entries sort byte-wise).
static uint32_t bound_of_prefix(const vec *entries, const char *key, size_t len, bool at_end)
{
    uint32_t lo = 0, hi = entries->count;
    while (lo < hi) {
        uint32_t mid = lo + (hi - lo) / 2;
        int c = strncmp(vec_at<KeywordEntry>(entries, mid)->text, key, len);
        if (c < 0 || (at_end && c == 0))
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

// Appends to matched the entries that begin with the len bytes at key and
// that the term matches.
static void scan_prefix(const vec *entries, const char *key, size_t len, const char *t, size_t n,
                        bool prefix, bool case_sensitive, vec *matched)
{
    uint32_t to = bound_of_prefix(entries, key, len, true);
    for (uint32_t i = bound_of_prefix(entries, key, len, false); i < to; i++) {
        const KeywordEntry *e = vec_at<KeywordEntry>(entries, i);
        if (term_matches(e->text, t, n, prefix, case_sensitive)) vec_append(matched, e);
    }
}

// The entries that match term t of n bytes (folded when case does not count),
// in index order. Only keywords that begin with the term's first character,
// or with its other case, can match; the ranges of both are scanned, lower
// bytes first. A term of one byte that might be the first byte of a folding
// character is the exception: any keyword may fold to something beginning
// with it, so all are tested (as those that begin with no bytes at all).
static vec *matching_entries(const vec *entries, const char *t, size_t n, bool prefix,
                             bool case_sensitive)
{
    vec *matched = vec_create();
    char first[2], other[2];
    uint32_t len = n ? fold_char(t, first) : 0, other_len = 0;
    if (n == 1 && !case_sensitive && (unsigned char) t[0] >= 0x80) len = 0;
    if (!case_sensitive && len) other_len = upper_partner(first, len, other);
    const char *low = t, *high = other_len ? other : nullptr;
    if (high && memcmp(high, low, len) < 0) std::swap(low, high);
    scan_prefix(entries, low, len, t, n, prefix, case_sensitive, matched);
    if (high) scan_prefix(entries, high, len, t, n, prefix, case_sensitive, matched);
    return matched;
}

vec *match_term(SearchContext *ctx, const ExpNode *term)
{
    const char *t = term->text;
    size_t n = strlen(t);
    bool prefix = (ctx->flags & SEARCH_PREFIX) && !term->exact;
    bool case_sensitive = (ctx->flags & SEARCH_CASE) != 0;

    char small[64];
    char *folded = small;
    if (!case_sensitive) {
        if (n >= sizeof small) folded = (char *) memAlloc(n + 1);
        fold_text(folded, t);
        t = folded;
    }
    vec *matched = matching_entries(ctx->index->entries, t, n, prefix, case_sensitive);
    if (folded != small) memFree(folded);

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
