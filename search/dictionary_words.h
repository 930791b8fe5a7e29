// The words the Keyword Dictionary shows: every keyword text as stored, or
// each word once in lower case. The dialog and the command line's keywords
// command list the same words.
#ifndef TL_SEARCH_DICTIONARY_WORDS_H
#define TL_SEARCH_DICTIONARY_WORDS_H

#include "core/vec.h"

// Longest word shown when case is ignored, in bytes.
const unsigned DICTIONARY_WORD_MAX = 255;

// Appends to shown the words to show for the keyword texts of words (index
// order): with case_flag the texts themselves; without it a case-folded copy
// of each (cut to DICTIONARY_WORD_MAX bytes at a character boundary), each
// copy once, in the order of first appearance. Returns the heap block that
// holds the copies (null with case_flag), which the caller frees with
// memFree after using shown.
char *dictionary_words(const vec *words, int case_flag, vec *shown);

#endif
