// The keyword index: the word splitter, keyword extraction with the stop
// words, and the assignment of keywords to Bookmarks.
//
// Lookups are kept constant or logarithmic so that loading 100,000
// Bookmarks does not turn quadratic: an entry is found through a hash table
// over the texts, the place of a new entry by binary search over the
// byte-wise ordered entries, a Bookmark in an entry's set by binary search
// over addresses. Each gives the same entry and the same position as a
// front-to-back scan, since entries and sets are sorted and hold each value
// once.
#include "search/keyword_index.h"

#include <algorithm>
#include <stddef.h>
#include <string.h>

#include "core/dupstr.h"
#include "core/mem.h"
#include "core/text_case.h"
#include "core/utf8.h"
#include "core/vec_order.h"
#include "core/vstr.h"
#include "store/bookmark.h"

static const char STOP_WORDS[] =
    "a about as src welcome latest an and by com for from ftp had have "
    "home in of on page pub the then to txt with site www http my";

int compare_bytes(const char *a, const char *b)
{
    const unsigned char *p = (const unsigned char *) a, *q = (const unsigned char *) b;
    while (*p && *p == *q) {
        p++;
        q++;
    }
    return (int) *p - (int) *q;
}

int compare_nocase(const char *a, const char *b)
{
    const unsigned char *p = (const unsigned char *) a, *q = (const unsigned char *) b;
    while (*p && ascii_fold(*p) == ascii_fold(*q)) {
        p++;
        q++;
    }
    return (int) ascii_fold(*p) - (int) ascii_fold(*q);
}

// vec comparisons: a stop word (slot) against a text (key), an entry (slot)
// against a text (key).
static int compare_stop_word(vec_slot slot, vec_slot key)
{
    return compare_nocase((const char *) slot, (const char *) key);
}

static int compare_entry_text(vec_slot slot, vec_slot key)
{
    return compare_bytes(((const KeywordEntry *) slot)->text, (const char *) key);
}

static int entry_has_text(vec_slot item, const void *text)
{
    return compare_bytes(((const KeywordEntry *) item)->text, (const char *) text) == 0;
}

static int compare_entries(vec_slot a, vec_slot b)
{
    return compare_bytes(((const KeywordEntry *) a)->text, ((const KeywordEntry *) b)->text);
}

// Sorts the entries appended during a bulk add into place. The new ones are
// sorted on their first eight bytes taken as one number (a shorter text is
// padded with zeros, which sorts it first as the byte-wise order does), so
// most comparisons need not reach the texts.
struct KeyedEntry {
    uint64_t prefix;
    KeywordEntry *entry;
};

static bool keyed_before(const KeyedEntry &a, const KeyedEntry &b)
{
    if (a.prefix != b.prefix) return a.prefix < b.prefix;
    if ((a.prefix & 0xFF) == 0) return false; // both end within eight bytes: equal
    return compare_bytes(a.entry->text + 8, b.entry->text + 8) < 0;
}

static void order_entries(KeywordIndex *index)
{
    vec *entries = index->entries;
    if (index->ordered >= entries->count) return;
    uint32_t k = entries->count - index->ordered;
    KeyedEntry *keyed = (KeyedEntry *) memAlloc(k * sizeof(KeyedEntry));
    for (uint32_t i = 0; i < k; i++) {
        KeywordEntry *e = vec_at<KeywordEntry>(entries, index->ordered + i);
        uint64_t prefix = 0;
        const unsigned char *t = (const unsigned char *) e->text;
        for (int b = 0; b < 8; b++) {
            prefix = (prefix << 8) | *t;
            if (*t) t++;
        }
        keyed[i].prefix = prefix;
        keyed[i].entry = e;
    }
    std::sort(keyed, keyed + k, keyed_before);
    for (uint32_t i = 0; i < k; i++)
        entries->items[index->ordered + i] = (vec_slot) keyed[i].entry;
    memFree(keyed);
    vecs_merge_sorted_tail(entries, index->ordered, compare_entries);
    index->ordered = entries->count;
}

static void add_stop_word(const char *word, void *context)
{
    KeywordIndex *index = (KeywordIndex *) context;
    uint32_t pos;
    if (!vecs_search(index->stopWords, word, &pos, compare_stop_word))
        vec_insert(index->stopWords, pos, dupstr(word));
    if (strlen(word) > index->longestStopWord) index->longestStopWord = (uint32_t) strlen(word);
}

KeywordIndex *keyword_index_create(void)
{
    KeywordIndex *index = (KeywordIndex *) memAlloc(sizeof(KeywordIndex));
    index->entries = vec_create();
    index->stopWords = vec_create();
    hash_table_init(&index->byText);
    index->deferred = 0;
    index->ordered = 0;
    index->longestStopWord = 0;
    split_words(STOP_WORDS, add_stop_word, index);
    return index;
}

// A set or a list keeps its first slots inside the block of its owner (the
// entry, the KeywordList), right after its vec record: most keywords belong
// to a few Bookmarks and most Bookmarks have a few keywords, so one block
// serves and the last slot lies beside the record. One that outgrows them
// moves to a block of its own, which doubles when full. vec_insert and the
// like never see such a vec full (make_room first), so they never hand the
// slots inside the owner to memRealloc.
static const uint32_t ENTRY_SLOTS = 4;

static vec_slot *inner_slots(vec *v)
{
    return (vec_slot *) (v + 1);
}

static void init_inner(vec *v, uint32_t capacity)
{
    v->items = inner_slots(v);
    v->capacity = capacity;
    v->count = 0;
}

static void make_room(vec *v)
{
    if (v->count < v->capacity) return;
    // Doubling: the sets of common words grow to thousands, and each step
    // is a reallocation.
    uint32_t capacity = v->capacity * 2;
    if (v->items == inner_slots(v)) {
        vec_slot *items = (vec_slot *) memAlloc(capacity * sizeof(vec_slot));
        memcpy(items, v->items, v->count * sizeof(vec_slot));
        v->items = items;
    } else {
        v->items = (vec_slot *) memRealloc(v->items, capacity * sizeof(vec_slot));
    }
    v->capacity = capacity;
}

static void free_slots(vec *v)
{
    if (v->items != inner_slots(v)) memFree(v->items);
}

// The runs of word characters in text: at least as many as the words that
// split_words finds there.
static uint32_t count_word_runs(const char *text)
{
    uint32_t runs = 0;
    bool in_run = false;
    for (const unsigned char *p = (const unsigned char *) text; *p; p++) {
        bool w = is_word_byte(*p);
        if (w && !in_run) runs++;
        in_run = w;
    }
    return runs;
}

// An entry is one block: the set pointer, the text, the set's vec record
// and its first slots; a lookup that reads the text finds the set beside it.
static KeywordEntry *new_entry(const char *word)
{
    size_t len = strlen(word);
    size_t at = (offsetof(KeywordEntry, text) + len + 1 + alignof(vec) - 1) & ~(alignof(vec) - 1);
    KeywordEntry *e = (KeywordEntry *) memAlloc(at + sizeof(vec) + ENTRY_SLOTS * sizeof(vec_slot));
    memcpy(e->text, word, len + 1);
    e->bookmarks = (vec *) ((char *) e + at);
    init_inner(e->bookmarks, ENTRY_SLOTS);
    return e;
}

static void free_entry(KeywordEntry *e)
{
    free_slots(e->bookmarks);
    memFree(e);
}

// A KeywordList is one block too: the record, its vec record, then room
// for capacity slots (at least two).
static KeywordList *new_list(uint32_t capacity)
{
    if (capacity < 2) capacity = 2;
    KeywordList *list =
        (KeywordList *) memAlloc(sizeof(KeywordList) + sizeof(vec) + capacity * sizeof(vec_slot));
    list->entries = (vec *) (list + 1);
    init_inner(list->entries, capacity);
    return list;
}

void keyword_index_destroy(KeywordIndex *index)
{
    for (uint32_t i = 0; i < index->entries->count; i++)
        free_entry(vec_at<KeywordEntry>(index->entries, i));
    vec_destroy(index->entries);
    hash_table_free(&index->byText);
    for (uint32_t i = 0; i < index->stopWords->count; i++)
        memFree(vec_at<char>(index->stopWords, i));
    vec_destroy(index->stopWords);
    memFree(index);
}

// Each word is copied out (into a buffer on the stack while words are
// short) and zero-terminated there, so the text itself is only read. An
// apostrophe and "s" outside a word are dropped without reporting an empty
// word.
void split_words(const char *text, WordCallback callback, void *context)
{
    char small[128];
    char *word = small;
    size_t room = sizeof small;
    const char *p = text;
    while (*p) {
        if (is_word_byte((unsigned char) *p)) {
            const char *start = p;
            while (is_word_byte((unsigned char) *p))
                p++;
            size_t len = (size_t) (p - start);
            if (len + 1 > room) {
                if (word != small) memFree(word);
                room = len + 1;
                word = (char *) memAlloc(room);
            }
            memcpy(word, start, len);
            word[len] = 0;
            callback(word, context);
            if (p[0] == '\'' && p[1] == 's')
                p += 2;
            else if (*p)
                p++;
        } else if (*p == '\'' && p[1] == 's') {
            p += 2;
        } else {
            p++;
        }
    }
    if (word != small) memFree(word);
}

struct ExtractContext {
    const KeywordIndex *index;
    int filter;
    vstr out;
};

// With filtering on, one-letter words (a character of one or more bytes)
// and stop words are left out.
static bool filtered_out(const KeywordIndex *index, const char *word, size_t len)
{
    uint32_t pos;
    return len < 2 || utf8_sequence_length(word) == len ||
           (len <= index->longestStopWord &&
            vecs_search(index->stopWords, word, &pos, compare_stop_word));
}

static void extract_word(const char *word, void *context)
{
    ExtractContext *x = (ExtractContext *) context;
    if (x->filter && filtered_out(x->index, word, strlen(word))) return;
    if (x->out.length) vstrAppendCh(&x->out, ' ');
    vstrAppend(&x->out, word);
}

char *extract_keywords(KeywordIndex *index, const char *text, int filter)
{
    ExtractContext x;
    x.index = index;
    x.filter = filter;
    vstrInit(&x.out);
    vstrGrow(&x.out, (uint32_t) strlen(text)); // the result is never longer
    split_words(text, extract_word, &x);
    if (x.out.length == 0) {
        vstrClear(&x.out);
        return nullptr;
    }
    return vstrDetach(&x.out);
}

// Words are filed a batch at a time. As each word comes, its hash slot is
// fetched ahead; before the batch is filed, the entries those slots lead
// to and then the ends of the entries' sets are fetched ahead too. So the
// cache misses of a Bookmark's words overlap instead of following one
// another. The filing itself goes word by word, in order, as without the
// batch (and probes afresh: an entry made for one word is found by the
// next same word).
static const uint32_t BATCH_WORDS = 16;
static const uint32_t BATCH_BYTES = 512;

struct AssignContext {
    KeywordIndex *index;
    Bookmark *bookmark;
    KeywordList *list;
    int filter;     // leave out what extraction with filtering leaves out
    uint32_t count; // words in the batch
    uint32_t used;  // bytes of text in the batch
    uint32_t hash[BATCH_WORDS];
    uint32_t at[BATCH_WORDS]; // where each word starts in text
    char text[BATCH_BYTES];   // the words, each zero-terminated
};

static void assign_init(AssignContext *a, KeywordIndex *index, Bookmark *b, KeywordList *list,
                        int filter)
{
    a->index = index;
    a->bookmark = b;
    a->list = list;
    a->filter = filter;
    a->count = 0;
    a->used = 0;
}

// Inserts b into an address-ordered set as vecs_insert does (1 when it was
// there already). Records mostly come in rising address order, so the end
// is tried first. While a bulk add runs, b simply goes to the end (the
// heap reuses freed blocks, so many records lie below ones added before
// them and would land in the middle of large sets); the end of the bulk add
// puts every set in order. b is then in the set exactly when it is the
// last member: only b's own words are filed during one set_keywords call.
static int set_insert(const KeywordIndex *index, vec *set, Bookmark *b)
{
    bool at_end = set->count == 0 || set->items[set->count - 1] < (vec_slot) b;
    if (index->deferred && !at_end) {
        if (set->items[set->count - 1] == (vec_slot) b) return 1;
        at_end = true;
    }
    make_room(set);
    if (at_end) {
        set->items[set->count++] = (vec_slot) b;
        return 0;
    }
    return vecs_insert(set, b, nullptr);
}

// Puts a set filled during a bulk add in address order.
static void order_set(vec *set)
{
    vec_slot *items = set->items;
    for (uint32_t i = 1; i < set->count; i++) {
        if (items[i - 1] > items[i]) {
            std::sort(items, items + set->count);
            return;
        }
    }
}

// Files the Bookmark under one word. B stands in E's set exactly when E
// stands in B's list, so the set insertion also says whether the list holds
// the entry already.
static void file_word(AssignContext *a, const char *word, uint32_t hash)
{
    KeywordIndex *index = a->index;
    uint32_t slot = hash_table_probe(&index->byText, hash, entry_has_text, word);
    KeywordEntry *e = (KeywordEntry *) index->byText.slots[slot].item;
    if (!e) {
        e = new_entry(word);
        if (index->deferred) {
            vec_append(index->entries, e);
        } else {
            uint32_t pos;
            vecs_search(index->entries, word, &pos, compare_entry_text);
            vec_insert(index->entries, pos, e);
        }
        hash_table_store(&index->byText, slot, hash, (vec_slot) e);
    }
    if (!set_insert(index, e->bookmarks, a->bookmark)) {
        vec *list = a->list->entries;
        make_room(list);
        list->items[list->count++] = (vec_slot) e;
    }
}

// The entry in the first slot of hash's probe run when it has that hash
// (most lookups end there), else null.
static const KeywordEntry *likely_entry(const HashTable *t, uint32_t hash)
{
    const HashSlot *s = &t->slots[hash & (t->capacity - 1)];
    return s->item && s->hash == hash ? (const KeywordEntry *) s->item : nullptr;
}

static void file_batch(AssignContext *a)
{
    const HashTable *t = &a->index->byText;
    for (uint32_t i = 0; i < a->count; i++)
        if (const KeywordEntry *e = likely_entry(t, a->hash[i])) __builtin_prefetch(e);
    for (uint32_t i = 0; i < a->count; i++) {
        const KeywordEntry *e = likely_entry(t, a->hash[i]);
        if (e && e->bookmarks->count)
            __builtin_prefetch(&e->bookmarks->items[e->bookmarks->count - 1]);
    }
    for (uint32_t i = 0; i < a->count; i++)
        file_word(a, a->text + a->at[i], a->hash[i]);
    a->count = 0;
    a->used = 0;
}

static void assign_word(const char *word, void *context)
{
    AssignContext *a = (AssignContext *) context;
    size_t len = strlen(word);
    if (a->filter && filtered_out(a->index, word, len)) return;
    uint32_t hash = hash_text(word);
    if (a->count == BATCH_WORDS || a->used + len + 1 > BATCH_BYTES) file_batch(a);
    if (len + 1 > BATCH_BYTES) {
        file_word(a, word, hash);
        return;
    }
    const HashTable *t = &a->index->byText;
    __builtin_prefetch(&t->slots[hash & (t->capacity - 1)]);
    memcpy(a->text + a->used, word, len + 1);
    a->at[a->count] = a->used;
    a->hash[a->count++] = hash;
    a->used += (uint32_t) len + 1;
}

// Takes an emptied entry out of the index and frees it.
static void drop_entry(KeywordIndex *index, KeywordEntry *e)
{
    if (index->deferred) order_entries(index);
    uint32_t pos;
    if (vecs_search(index->entries, e->text, &pos, compare_entry_text))
        vec_remove(index->entries, pos);
    if (index->deferred) index->ordered = index->entries->count; // all in order, one less
    uint32_t slot = hash_table_probe(&index->byText, hash_text(e->text), entry_has_text, e->text);
    if (index->byText.slots[slot].item) hash_table_remove(&index->byText, slot);
    free_entry(e);
}

KeywordList *set_keywords(KeywordIndex *index, Bookmark *b, const char *text, KeywordList *old_list)
{
    KeywordList *list = old_list;
    if (list) {
        for (uint32_t i = 0; i < list->entries->count; i++) {
            KeywordEntry *e = vec_at<KeywordEntry>(list->entries, i);
            uint32_t pos;
            if (index->deferred) order_set(e->bookmarks);
            if (vecs_search(e->bookmarks, b, &pos, nullptr)) vec_remove(e->bookmarks, pos);
            if (e->bookmarks->count == 0) drop_entry(index, e);
        }
        list->entries->count = 0;
    }
    if (!text || !*text) return list ? list : new_list(0);
    // A word met again finds b in its entry's set already and is not
    // listed twice, so the list holds each word once, in the order of its
    // first appearance, as if repeated words had been taken out first.
    if (!list) list = new_list(count_word_runs(text));
    AssignContext a;
    assign_init(&a, index, b, list, 0);
    split_words(text, assign_word, &a);
    file_batch(&a);
    return list;
}

// The words of title and then of keywords, as one text joined by a space
// would give them (the space ends a word, as the ends of the texts do).
KeywordList *set_title_keywords(KeywordIndex *index, Bookmark *b, const char *title,
                                const char *keywords)
{
    KeywordList *list =
        new_list(count_word_runs(title) + (keywords ? count_word_runs(keywords) : 0));
    AssignContext a;
    assign_init(&a, index, b, list, 1);
    split_words(title, assign_word, &a);
    if (keywords) split_words(keywords, assign_word, &a);
    file_batch(&a);
    return list;
}

void keyword_index_defer_order(KeywordIndex *index)
{
    if (!index->deferred) index->ordered = index->entries->count;
    index->deferred = 1;
}

void keyword_index_end_deferral(KeywordIndex *index)
{
    if (!index->deferred) return;
    order_entries(index);
    for (uint32_t i = 0; i < index->entries->count; i++)
        order_set(vec_at<KeywordEntry>(index->entries, i)->bookmarks);
    index->deferred = 0;
    index->ordered = 0;
}

char *keyword_list_text(const KeywordList *list)
{
    vstr out;
    vstrInit(&out);
    for (uint32_t i = 0; i < list->entries->count; i++) {
        if (i) vstrAppendCh(&out, ' ');
        vstrAppend(&out, vec_at<KeywordEntry>(list->entries, i)->text);
    }
    char *text = vstrDetach(&out);
    return text ? text : dupstr("");
}

void keyword_list_destroy(KeywordList *list)
{
    free_slots(list->entries);
    memFree(list);
}

vec *keyword_index_words(const KeywordIndex *index)
{
    vec *words = vec_create();
    for (uint32_t i = 0; i < index->entries->count; i++)
        vec_append(words, vec_at<KeywordEntry>(index->entries, i)->text);
    return words;
}

// ---- Repeated words ------------------------------------------------------
//
// The words kept so far are remembered in a small open hash table (hash of
// the word's bytes, folded when case does not count), so a text of n words
// costs n lookups instead of n*n/2 comparisons. Repeats are not cut out one
// by one: the kept text is compacted towards the front in the same pass,
// which leaves exactly the text the cuts would.

static bool is_delimiter(unsigned char c)
{
    return c == ' ' || c == ',' || (c >= '\t' && c <= '\r');
}

struct SeenWord {
    uint32_t offset; // where the kept word starts in the compacted text
    uint32_t length; // 0 marks a free slot (an empty word is kept aside)
    uint32_t hash;
};

struct SeenTable {
    SeenWord *slots;
    uint32_t mask; // capacity - 1, capacity a power of two
};

static uint32_t hash_word(const char *w, uint32_t len, int case_sensitive)
{
    uint32_t h = 2166136261u;
    if (case_sensitive) {
        for (uint32_t i = 0; i < len; i++)
            h = (h ^ (unsigned char) w[i]) * 16777619u;
        return h;
    }
    // A word ends at an ASCII delimiter, so no character runs past len.
    for (uint32_t i = 0; i < len;) {
        char f[2];
        uint32_t n = fold_char(w + i, f);
        for (uint32_t k = 0; k < n; k++)
            h = (h ^ (unsigned char) f[k]) * 16777619u;
        i += n;
    }
    return h;
}

static bool same_word(const char *a, const char *b, uint32_t len, int case_sensitive)
{
    return case_sensitive ? memcmp(a, b, len) == 0 : fold_equal(a, b, len);
}

static const uint32_t SEEN_LOCAL = 64; // slots on the stack, enough for most texts

// 1 when the word (len bytes at text+offset, len > 0) repeats a kept word.
// Otherwise the word is remembered as kept at text+kept_offset, where the
// caller moves it, and 0 is returned.
static int seen_check(SeenTable *t, const char *text, uint32_t offset, uint32_t len,
                      uint32_t kept_offset, int case_sensitive)
{
    uint32_t h = hash_word(text + offset, len, case_sensitive);
    uint32_t j = h & t->mask;
    while (t->slots[j].length) {
        const SeenWord *s = &t->slots[j];
        if (s->hash == h && s->length == len &&
            same_word(text + s->offset, text + offset, len, case_sensitive))
            return 1;
        j = (j + 1) & t->mask;
    }
    t->slots[j].offset = kept_offset;
    t->slots[j].length = len;
    t->slots[j].hash = h;
    return 0;
}

void remove_repeated_words(char *text, int case_sensitive)
{
    // The table gets at least twice as many slots as the text has words, so
    // it never fills beyond half and never needs to grow.
    uint32_t words = 0;
    for (const char *p = text; *p; p++)
        if (!is_delimiter((unsigned char) *p) && (p == text || is_delimiter((unsigned char) p[-1])))
            words++;
    uint32_t capacity = 8;
    while (capacity < 2 * words)
        capacity *= 2;
    SeenWord local[SEEN_LOCAL];
    SeenTable seen;
    seen.slots =
        capacity <= SEEN_LOCAL ? local : (SeenWord *) memAlloc(capacity * sizeof(SeenWord));
    memset(seen.slots, 0, capacity * sizeof(SeenWord));
    seen.mask = capacity - 1;

    // in reads, out writes the kept text; out never passes in, so the kept
    // words that the table points at are never overwritten.
    uint32_t in = 0, out = 0;
    while (text[in]) {
        uint32_t start = in;
        while (text[in] && !is_delimiter((unsigned char) text[in]))
            in++;
        uint32_t len = in - start;
        while (text[in] && is_delimiter((unsigned char) text[in]))
            in++;
        // Only the first word can be empty (a text that starts with a
        // delimiter), and there is nothing before it to repeat.
        if (len && seen_check(&seen, text, start, len, out, case_sensitive)) continue;
        if (out != start) memmove(text + out, text + start, in - start);
        out += in - start;
    }
    text[out] = 0;
    if (seen.slots != local) memFree(seen.slots);
}
