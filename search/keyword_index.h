// The keyword index: every distinct keyword with the Bookmarks that carry it,
// the stop words of keyword extraction, the word splitter, and each Bookmark's
// own list of keywords.
#ifndef TL_SEARCH_KEYWORD_INDEX_H
#define TL_SEARCH_KEYWORD_INDEX_H

#include "core/hash_table.h"
#include "core/vec.h"

struct Bookmark;

// One keyword: a single allocation holding the set pointer and, right after
// it, the text (then the set's vec record and its first slots, which
// therefore go only with their entry: never vec_destroy an entry's set, nor
// let anything but the keyword index add to it).
struct KeywordEntry {
    vec *bookmarks; // Bookmarks carrying it (not owned), address order, each once
    char text[1];   // the keyword as it appeared (case kept), zero-terminated
};

// A Bookmark's keywords, in the order they first appeared in its text. The
// list's vec record and first slots share its block, as an entry's do.
struct KeywordList {
    vec *entries; // KeywordEntry pointers (not owned)
};

struct KeywordIndex {
    vec *entries;             // KeywordEntry pointers (owned), byte-wise order of text
    vec *stopWords;           // heap texts (owned), case-insensitive order, each once
    HashTable byText;         // the same entries by their text, for lookups only
    uint32_t longestStopWord; // bytes; longer words need no stop-word search
    int32_t deferred;         // new entries are appended out of order (a bulk add runs)
    uint32_t ordered;         // while deferred: entries[0, ordered) are in order
};

typedef void (*WordCallback)(const char *word, void *context);

KeywordIndex *keyword_index_create(void);
void keyword_index_destroy(KeywordIndex *index);
// Calls callback once per word of text, in order (words are runs of word
// bytes, is_word_byte; "'s" is dropped). The word is valid during the call only.
void split_words(const char *text, WordCallback callback, void *context);
// The words of text joined by single spaces, or null when none is kept. With
// filter set, one-character words and stop words are left out. Caller frees.
char *extract_keywords(KeywordIndex *index, const char *text, int filter);
// Takes b out of every keyword of old_list (may be null), then indexes b under
// every word of text (may be null). Returns old_list refilled, or a new list.
KeywordList *set_keywords(KeywordIndex *index, Bookmark *b, const char *text,
                          KeywordList *old_list);
// A new Bookmark's list with title words on: what set_keywords gives for
// the text extract_keywords(title + " " + keywords, filter on) returns,
// without building either text. keywords may be null.
KeywordList *set_title_keywords(KeywordIndex *index, Bookmark *b, const char *title,
                                const char *keywords);
// The list's keywords separated by single spaces ("" when empty). Caller frees.
char *keyword_list_text(const KeywordList *list);
void keyword_list_destroy(KeywordList *list);
// A new vec of pointers to every entry's text, in index order (not copies).
vec *keyword_index_words(const KeywordIndex *index);
// Removes in place every word (run of bytes other than white space and comma)
// that repeats an earlier word, with its following delimiters. Without
// case_sensitive words compare folded (fold_char).
void remove_repeated_words(char *text, int case_sensitive);

// For bulk adds: while deferred, new entries are appended to entries
// instead of being inserted at their place (which moves half the vec each
// time), and Bookmarks to the end of the entries' sets;
// keyword_index_end_deferral sorts them in at once. In between entries and
// sets are out of order, so nothing else may read them; the operations here
// stay correct throughout.
void keyword_index_defer_order(KeywordIndex *index);
void keyword_index_end_deferral(KeywordIndex *index);

// The orders of the index: byte-wise (entries) and ASCII case-insensitive
// (stop words, and URLs elsewhere), as strcmp-style results.
int compare_bytes(const char *a, const char *b);
int compare_nocase(const char *a, const char *b);

#endif
