// Search evaluation: runs one search expression against the keyword index and
// gives the matching Bookmarks, plus a hint with the keywords that the word
// under the caret matches.
//
// Bookmark sets: every set here is a vec of Bookmark pointers in ascending
// address order without repeats (the order of the BookmarkList and of each
// keyword's set). Each operation returns a new set that the caller destroys
// and leaves its inputs unchanged.
#ifndef TL_SEARCH_SEARCH_EVAL_H
#define TL_SEARCH_SEARCH_EVAL_H

#include <stdint.h>

#include "core/vec.h"
#include "core/vstr.h"
#include "search/exp_parser.h"

struct KeywordIndex;

// SearchContext flags, from the Options.
const uint32_t SEARCH_PREFIX = 1;     // a term also matches keywords it begins (partial_match)
const uint32_t SEARCH_CASE = 2;       // letters match only in the same case (case_sens)
const uint32_t SEARCH_IMPLIED_OR = 4; // operands side by side mean OR, else AND (implied_or)

// One search: the caller fills the inputs, search_exp the outputs.
struct SearchContext {
    KeywordIndex *index; // in: the keyword index (not owned)
    vec *all;            // in: every Bookmark, address order (not owned)
    const char *text;    // in: the expression (not owned)
    int32_t caret;       // in: byte position of the caret in text
    uint32_t flags;      // in: SEARCH_PREFIX, SEARCH_CASE, SEARCH_IMPLIED_OR
    vec *result;         // out: the matching Bookmarks (caller destroys)
    char *hint;          // out: the hint (caller frees), or null when empty
    vstr hint_text;      // the hint while terms are matched; empty outside a search
};

// Parses ctx->text and evaluates it. 0 when the text is not a valid
// expression (result and hint are then not set); 1 with result and hint set.
int search_exp(SearchContext *ctx);

// The set of a tree. Terms under the caret add to ctx->hint_text, which the
// caller must have initialised (search_exp does). Works without recursion,
// so a tree of any depth is evaluated on a small stack.
vec *eval_exp(SearchContext *ctx, const ExpNode *node);

// The Bookmarks carrying a keyword that the term matches, with prefix or
// whole-word matching and in or without regard to case by ctx->flags. When
// the caret touches the word, the matching keywords go to ctx->hint_text.
vec *match_term(SearchContext *ctx, const ExpNode *term);

// Elements in both sets.
vec *set_intersect(const vec *a, const vec *b);
// Elements in either set, each once.
vec *set_union(const vec *a, const vec *b);
// Elements of a that are not in b.
vec *set_minus(const vec *a, const vec *b);

#endif
