// The foundation library: memory, vectors, strings, dupstr and panic.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "core/dupstr.h"
#include "core/mem.h"
#include "core/panic.h"
#include "core/vec.h"
#include "core/vstr.h"

TEST(Mem, UseCountAndNullHandling)
{
    unsigned before = memModuleUsers();
    EXPECT_EQ(1, memModuleInit());
    EXPECT_EQ(1, memModuleInit());
    EXPECT_EQ(before + 2, memModuleUsers());
    memModuleExit();
    memModuleExit();
    EXPECT_EQ(before, memModuleUsers());
    if (before == 0) {
        memModuleExit(); // at 0 nothing happens
        EXPECT_EQ(0u, memModuleUsers());
    }

    memFree(nullptr);
    char *p = (char *) memRealloc(nullptr, 10); // null reallocates afresh
    memcpy(p, "012345678", 10);
    p = (char *) memRealloc(p, 100000);
    EXPECT_STREQ("012345678", p);
    memFree(p);
}

TEST(Mem, PrivateHeapWrappers)
{
    OsHeap h = heapCreate();
    ASSERT_NE(nullptr, h);
    char *a = (char *) heapAlloc(h, 32);
    char *b = (char *) heapAlloc(h, 8);
    strcpy(a, "kept across growth");
    a = (char *) heapRealloc(h, a, 4096);
    EXPECT_STREQ("kept across growth", a);
    EXPECT_EQ(1, heapFree(h, b));
    // Destroying the heap releases the block still in it.
    EXPECT_EQ(1, heapDestroy(h));
}

static std::vector<uint32_t> capacities_while_appending(uint32_t n)
{
    std::vector<uint32_t> caps;
    vec *v = vec_create();
    caps.push_back(v->capacity);
    for (uint32_t i = 0; i < n; i++) {
        vec_append_(v, i);
        if (v->capacity != caps.back()) caps.push_back(v->capacity);
    }
    vec_destroy(v);
    return caps;
}

TEST(Vec, GrowthPolicyAndClear)
{
    EXPECT_EQ((std::vector<uint32_t>{16, 24, 36, 54, 81, 121, 181, 271}),
              capacities_while_appending(200));

    vec *v = vec_create();
    for (uint32_t i = 0; i < 16; i++)
        vec_append(v, i);
    EXPECT_EQ(16u, v->capacity);
    vec_insert(v, 0, 99); // the 17th element, inserted in front
    EXPECT_EQ(24u, v->capacity);
    EXPECT_EQ(99u, v->items[0]);
    EXPECT_EQ(15u, v->items[16]);

    for (uint32_t i = 0; i < 100; i++)
        vec_append(v, i);
    vec_clear(v);
    EXPECT_EQ(16u, v->capacity);
    EXPECT_EQ(0u, v->count);
    vec_destroy(v);
}

TEST(Vec, RemoveSearchCopy)
{
    vec *v = vec_create();
    for (uint32_t i = 0; i < 5; i++)
        vec_append(v, i * 10);
    vec_remove(v, 4); // last: only the count changes
    ASSERT_EQ(4u, v->count);
    vec_remove(v, 0); // first: the others move down
    EXPECT_EQ((std::vector<vec_slot>{10, 20, 30}),
              std::vector<vec_slot>(v->items, v->items + v->count));

    EXPECT_EQ(1u, vec_search(v, 20));
    EXPECT_EQ(VEC_NONE, vec_search(v, 21));
    vec_append(v, 10);
    EXPECT_EQ(0u, vec_search(v, 10)); // the lower of two equal slots

    vec *e = vec_create();
    EXPECT_EQ(VEC_NONE, vec_search(e, 0));

    vec *src = vec_create();
    for (uint32_t i = 0; i < 20; i++)
        vec_append(src, i);
    vec_copy(e, src);
    EXPECT_EQ(24u, e->capacity);
    EXPECT_EQ(20u, e->count);
    EXPECT_EQ(19u, e->items[19]);
    src->count = 16;
    vec_copy(e, src);
    EXPECT_EQ(16u, e->capacity);
    EXPECT_EQ(16u, e->count);
    src->count = 0;
    vec_copy(e, src);
    EXPECT_EQ(0u, e->count);

    vec_destroy(src);
    vec_destroy(e);
    vec_destroy(v);
}

static int compare_counting(vec_slot slot, vec_slot key);
static std::vector<uint32_t> probed; // slot values compared by the last search

static int compare_counting(vec_slot slot, vec_slot key)
{
    probed.push_back((uint32_t) slot);
    return slot > key ? 1 : slot < key ? -1 : 0;
}

TEST(SortedVec, SearchPositionsAndPhases)
{
    vec *v = vec_create();
    uint32_t pos = 77;
    EXPECT_EQ(0, vecs_search(v, 5, &pos, nullptr));
    EXPECT_EQ(0u, pos);

    // Up to four elements: only the linear phase, from the start.
    for (uint32_t i = 1; i <= 4; i++)
        vec_append(v, i * 10);
    probed.clear();
    EXPECT_EQ(1, vecs_search(v, 30, &pos, compare_counting));
    EXPECT_EQ(2u, pos);
    EXPECT_EQ((std::vector<uint32_t>{10, 20, 30}), probed);

    // Five or more: the binary phase starts at the middle.
    vec_append(v, 50);
    probed.clear();
    EXPECT_EQ(1, vecs_search(v, 50, &pos, compare_counting));
    EXPECT_EQ(4u, pos);
    EXPECT_EQ(30u, probed.front());

    EXPECT_EQ(0, vecs_search(v, 99, &pos, nullptr));
    EXPECT_EQ(5u, pos);
    EXPECT_EQ(0, vecs_search(v, 1, &pos, nullptr));
    EXPECT_EQ(0u, pos);
    EXPECT_EQ(0, vecs_search(v, 25, &pos, nullptr));
    EXPECT_EQ(2u, pos);
    vec_destroy(v);
}

TEST(SortedVec, InsertKeepsOrderAndRefusesEquals)
{
    std::mt19937 rng(12345);
    for (int round = 0; round < 50; round++) {
        vec *v = vec_create();
        std::vector<vec_slot> model;
        int n = (int) (rng() % 300);
        for (int i = 0; i < n; i++) {
            vec_slot x = rng() % 400;
            bool present = std::find(model.begin(), model.end(), x) != model.end();
            uint32_t before = v->count;
            EXPECT_EQ(present ? 1 : 0, vecs_insert_(v, x, nullptr));
            EXPECT_EQ(before + (present ? 0 : 1), v->count);
            if (!present) model.insert(std::lower_bound(model.begin(), model.end(), x), x);
            // Every absent key's insertion point is lower_bound.
            vec_slot probe = rng() % 400;
            uint32_t pos;
            int found = vecs_search_(v, probe, &pos, nullptr);
            auto it = std::lower_bound(model.begin(), model.end(), probe);
            EXPECT_EQ(it != model.end() && *it == probe, found == 1);
            EXPECT_EQ((uint32_t) (it - model.begin()), pos);
        }
        ASSERT_EQ(model, std::vector<vec_slot>(v->items, v->items + v->count));
        vec_destroy(v);
    }
}

TEST(SortedVec, NullComparisonOrdersPointersByAddress)
{
    static char block[8];
    vec *v = vec_create();
    vecs_insert(v, &block[5], nullptr);
    vecs_insert(v, &block[1], nullptr);
    vecs_insert(v, &block[3], nullptr);
    EXPECT_EQ(&block[1], vec_at<char>(v, 0));
    EXPECT_EQ(&block[3], vec_at<char>(v, 1));
    EXPECT_EQ(&block[5], vec_at<char>(v, 2));
    vec_destroy(v);
}

TEST(Vstr, CapacitiesOfAppendAndSet)
{
    vstr s;
    vstrInit(&s);
    EXPECT_EQ(nullptr, vstrDetach(&s));

    vstrAppendCh(&s, 'a');
    EXPECT_EQ(16u, s.capacity);
    for (int i = 1; i < 15; i++)
        vstrAppendCh(&s, 'a');
    EXPECT_EQ(15u, s.length);
    EXPECT_EQ(16u, s.capacity);
    EXPECT_EQ(0, s.data[15]);
    vstrAppendCh(&s, 'b');
    EXPECT_EQ(32u, s.capacity);
    EXPECT_EQ(std::string(15, 'a') + "b", s.data);
    vstrClear(&s);
    EXPECT_EQ(0u, s.capacity);

    vstrAppendPrimative(&s, "0123456789abcdef", 16);
    EXPECT_EQ(32u, s.capacity);
    vstrClear(&s);

    vstrSet(&s, "14 bytes long!");
    EXPECT_EQ(16u, s.capacity);
    vstrClear(&s);
    vstrSet(&s, "fifteen bytes!!");
    EXPECT_EQ(32u, s.capacity);
    EXPECT_EQ(15u, s.length);

    for (int i = 0; i < 100; i++)
        vstrAppendPrimative(&s, "xyz", 3);
    EXPECT_EQ(512u, s.capacity);
    EXPECT_EQ(315u, s.length);
    EXPECT_EQ(315u, strlen(s.data));
    vstrGrow(&s, 1000);
    EXPECT_EQ(1024u, s.capacity);
    EXPECT_EQ(315u, s.length);
    char *d = vstrDetach(&s);
    EXPECT_EQ(0u, s.capacity);
    EXPECT_EQ(nullptr, s.data);
    memFree(d);
}

TEST(Vstr, FindCharAndFindStr)
{
    vstr s;
    vstrInit(&s);
    vstrSet(&s, "a.b.c");
    uint32_t pos = 0;
    EXPECT_EQ(1, vstrFindChar(&s, '.', &pos));
    EXPECT_EQ(1u, pos);
    pos = 2; // past the first dot: only later ones
    EXPECT_EQ(1, vstrFindChar(&s, '.', &pos));
    EXPECT_EQ(3u, pos);
    pos = 4;
    EXPECT_EQ(0, vstrFindChar(&s, '.', &pos));
    EXPECT_EQ(5u, pos); // at the terminator
    EXPECT_EQ(0, vstrFindChar(&s, '.', &pos));
    EXPECT_EQ(5u, pos); // started there: unchanged

    pos = 4; // ignored: the search starts from the first byte
    EXPECT_EQ(1, vstrFindStr(&s, "b.", &pos));
    EXPECT_EQ(2u, pos);
    pos = 3;
    EXPECT_EQ(0, vstrFindStr(&s, "cc", &pos));
    EXPECT_EQ(0u, pos);
    vstrClear(&s);
}

TEST(Vstr, SubInsertDeleteExtract)
{
    vstr s;
    vstrInit(&s);
    vstrSet(&s, "%s,,-1,0,,,");
    vstrSub(&s, "%s", "a%sb");
    EXPECT_STREQ("a%sb,,-1,0,,,", s.data);
    EXPECT_EQ(13u, s.length);

    vstrSet(&s, "no pattern here");
    char *old = s.data;
    vstrSub(&s, "%s", "x");
    EXPECT_STREQ("no pattern here", s.data);
    EXPECT_NE(old, s.data); // copied into a new buffer
    vstrSet(&s, "aaaa");
    vstrSub(&s, "aa", "a");
    EXPECT_STREQ("aa", s.data);
    vstrClear(&s);
    vstrSub(&s, "x", "y"); // nothing stored: the result still has a buffer
    ASSERT_NE(nullptr, s.data);
    EXPECT_STREQ("", s.data);

    vstrSet(&s, "abcdef");
    vstrDelete(&s, 1, 2);
    EXPECT_STREQ("adef", s.data);
    EXPECT_EQ(4u, s.length);

    vstrSet(&s, "abcd");
    EXPECT_EQ(2u, vstrInsertStr(&s, "XY", 2));
    EXPECT_STREQ("abXYcd", s.data);
    EXPECT_EQ(6u, s.length);
    vstrClear(&s);
    vstrSet(&s, "abcd0123456"); // 11 bytes in 16: inserting 4 grows the buffer
    EXPECT_EQ(4u, vstrInsertStr(&s, "WXYZ", 2));
    EXPECT_EQ(32u, s.capacity);
    EXPECT_STREQ("abWXYZcd0123456", s.data);

    vstr t;
    vstrInit(&t);
    vstrExtract(&t, &s, 2, 4);
    EXPECT_STREQ("WXYZ", t.data);
    EXPECT_EQ(4u, t.length);
    vstrWrite(&t, 'w', 0);
    EXPECT_STREQ("wXYZ", t.data);
    EXPECT_EQ('Z', vstrRead(&t, 3));
    vstrClear(&t);
    vstrClear(&s);
}

static std::vector<std::string> panics;
static void record_panic(const char *diagnostic)
{
    panics.push_back(diagnostic);
}

TEST(Helpers, DupstrAndPanicReturns)
{
    char *c = dupstr("text with \xE9");
    EXPECT_STREQ("text with \xE9", c);
    memFree(c);

    panic_set_hook(record_panic);
    panic("unknown sort type in lv_compare"); // and returns
    panic_set_hook(nullptr);
    EXPECT_EQ(std::vector<std::string>{"unknown sort type in lv_compare"}, panics);
}
