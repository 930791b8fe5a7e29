// The Keyword Dictionary's words. Repeats among the folded copies are found
// in a hash set of the copies.
#include "search/dictionary_words.h"

#include <string.h>

#include "core/hash_table.h"
#include "core/mem.h"
#include "core/text_case.h"

static int same_text(vec_slot item, const void *key)
{
    return strcmp((const char *) item, (const char *) key) == 0;
}

char *dictionary_words(const vec *words, int case_flag, vec *shown)
{
    if (case_flag) {
        for (uint32_t i = 0; i < words->count; i++)
            vec_append(shown, vec_at<char>(words, i));
        return nullptr;
    }
    size_t bytes = 0;
    for (uint32_t i = 0; i < words->count; i++)
        bytes += strnlen(vec_at<char>(words, i), DICTIONARY_WORD_MAX) + 1;
    char *copies = (char *) memAlloc(bytes ? bytes : 1);
    HashTable seen;
    hash_table_init(&seen);
    hash_table_reserve(&seen, words->count);
    char *copy = copies;
    for (uint32_t i = 0; i < words->count; i++) {
        fold_copy(copy, DICTIONARY_WORD_MAX + 1, vec_at<char>(words, i));
        size_t n = strlen(copy);
        uint32_t hash = hash_text(copy);
        uint32_t slot = hash_table_probe(&seen, hash, same_text, copy);
        if (seen.slots[slot].item) continue;
        hash_table_store(&seen, slot, hash, (vec_slot) copy);
        vec_append(shown, copy);
        copy += n + 1;
    }
    hash_table_free(&seen);
    return copies;
}
