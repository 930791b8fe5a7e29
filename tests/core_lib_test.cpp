// The foundation library: vectors and strings (and through them memory).
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "core/mem.h"
#include "core/vec.h"
#include "core/vstr.h"

static std::vector<vec_slot> items(const vec *v)
{
    return std::vector<vec_slot>(v->items, v->items + v->count);
}

TEST(Vec, GrowthRemoveSearchCopy)
{
    vec *v = vec_create();
    std::vector<uint32_t> caps = {v->capacity};
    for (uint32_t i = 0; i < 200; i++) {
        if (i == 16)
            vec_insert(v, 0, 99); // the 17th element, inserted in front, grows too
        else
            vec_append_(v, i);
        if (v->capacity != caps.back()) caps.push_back(v->capacity);
    }
    EXPECT_EQ((std::vector<uint32_t>{16, 24, 36, 54, 81, 121, 181, 271}), caps);
    EXPECT_EQ(99u, v->items[0]);
    EXPECT_EQ(15u, v->items[16]);
    v->count = 0;
    for (uint32_t i = 0; i < 5; i++)
        vec_append(v, i * 10);
    vec_remove(v, 4);
    vec_remove(v, 0);
    vec_append(v, 10);
    EXPECT_EQ((std::vector<vec_slot>{10, 20, 30, 10}), items(v));
    EXPECT_EQ(0u, vec_search(v, 10)); // the lower of two equal slots
    EXPECT_EQ(VEC_NONE, vec_search(v, 21));

    vec *src = vec_create();
    for (uint32_t i = 0; i < 20; i++)
        vec_append(src, i);
    const struct {
        uint32_t count, capacity;
    } copies[] = {{20, 24}, {16, 16}, {0, 16}};
    for (const auto &c : copies) {
        src->count = c.count;
        vec_copy(v, src);
        EXPECT_EQ(c.capacity, v->capacity) << c.count;
        EXPECT_EQ(items(src), items(v));
    }
    vec_destroy(src);
    vec_destroy(v);
}

TEST(SortedVec, InsertAndSearchAgainstAModel)
{
    // Inserts refuse equals and keep the order; every key's position is
    // where std::lower_bound puts it.
    std::mt19937 rng(12345);
    uint32_t pos;
    for (int round = 0; round < 50; round++) {
        vec *s = vec_create();
        std::vector<vec_slot> model;
        for (int i = (int) (rng() % 300); i > 0; i--) {
            vec_slot x = rng() % 400;
            auto at = std::lower_bound(model.begin(), model.end(), x);
            bool present = at != model.end() && *at == x;
            EXPECT_EQ(present ? 1 : 0, vecs_insert_(s, x, nullptr));
            if (!present) model.insert(at, x);
            vec_slot probe = rng() % 400;
            auto it = std::lower_bound(model.begin(), model.end(), probe);
            EXPECT_EQ(it != model.end() && *it == probe,
                      vecs_search_(s, probe, &pos, nullptr) == 1);
            EXPECT_EQ((uint32_t) (it - model.begin()), pos);
        }
        ASSERT_EQ(model, items(s));
        vec_destroy(s);
    }
}

// The capacity after op on an empty string (whose content stays terminated).
static uint32_t capacity_after(const std::function<void(vstr *)> &op)
{
    vstr s;
    vstrInit(&s);
    op(&s);
    EXPECT_EQ(s.length, strlen(s.data));
    uint32_t c = s.capacity;
    vstrClear(&s);
    EXPECT_EQ(nullptr, vstrDetach(&s));
    return c;
}

TEST(Vstr, Capacities)
{
    auto chars = [](int n) {
        return [n](vstr *s) {
            for (int i = 0; i < n; i++)
                vstrAppendCh(s, 'a');
        };
    };
    EXPECT_EQ(16u, capacity_after(chars(1)));
    EXPECT_EQ(16u, capacity_after(chars(15)));
    EXPECT_EQ(32u, capacity_after(chars(16)));
    EXPECT_EQ(32u, capacity_after([](vstr *s) { vstrAppendPrimative(s, "0123456789abcdef", 16); }));
    EXPECT_EQ(16u, capacity_after([](vstr *s) { vstrSet(s, "14 bytes long!"); }));
    EXPECT_EQ(32u, capacity_after([](vstr *s) { vstrSet(s, "fifteen bytes!!"); }));
    EXPECT_EQ(512u, capacity_after([](vstr *s) {
                  for (int i = 0; i < 100; i++)
                      vstrAppend(s, "xyz");
              }));
    EXPECT_EQ(1024u, capacity_after([](vstr *s) {
                  vstrSet(s, "kept");
                  vstrGrow(s, 1000);
                  EXPECT_STREQ("kept", s->data);
              }));
    EXPECT_EQ(32u, capacity_after([](vstr *s) {
                  vstrSet(s, "abcd0123456"); // 11 bytes in 16: inserting 4 grows the buffer
                  EXPECT_EQ(4u, vstrInsertStr(s, "WXYZ", 2));
                  EXPECT_STREQ("abWXYZcd0123456", s->data);
              }));
}

TEST(Vstr, SubDelete)
{
    vstr s;
    vstrInit(&s);
    vstrSub(&s, "x", "y"); // nothing stored: the result still has a buffer
    EXPECT_STREQ("", s.data);
    const struct {
        const char *text, *pattern, *replacement, *result;
    } subs[] = {
        {"%s,,-1,0,,,", "%s", "a%sb", "a%sb,,-1,0,,,"}, // inserted text is not rescanned
        {"no pattern here", "%s", "x", "no pattern here"},
        {"aaaa", "aa", "a", "aa"},
    };
    for (const auto &c : subs) {
        vstrSet(&s, c.text);
        vstrSub(&s, c.pattern, c.replacement);
        EXPECT_STREQ(c.result, s.data);
        EXPECT_EQ(strlen(c.result), s.length);
    }

    vstrSet(&s, "a.b.c");
    vstrDelete(&s, 1, 2);
    EXPECT_STREQ("a.c", s.data);
    vstrClear(&s);
}
