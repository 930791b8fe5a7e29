// Search evaluation: matching rules, operators, the hint, the set
// operations, deep trees on a small stack, and random searches against a
// brute-force evaluator.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <stddef.h>
#include <string.h>
#include <string>
#include <vector>

#include "session/appstate.h"
#include "core/dupstr.h"
#include "core/mem.h"
#include "core/os.h"
#include "core/panic.h"
#include "search/keyword_index.h"
#include "search/search_eval.h"
#include "store/bookmark.h"

// An application record whose Bookmarks are named by their titles.
struct Library {
    AppState *app;

    Library() { app = app_state_create("C:\\tl\\trovelinks.exe"); }
    ~Library() { app_state_destroy(app); }

    void add(const char *name, const char *keywords)
    {
        std::string url = std::string("http://") + name + "/";
        add_bookmark(app, dupstr(name), dupstr(url.c_str()), dupstr(keywords), DATE_NONE, DATE_NONE,
                     DATE_NONE, 0);
    }

    Bookmark *named(const char *name)
    {
        return find_bookmark_by_url(app, (std::string("http://") + name + "/").c_str());
    }
};

struct Outcome {
    bool ok;
    std::string names; // titles of the result, sorted, space-separated
    std::string hint;  // "(null)" when there is none
};

static bool is_set(const vec *v)
{
    for (uint32_t i = 1; i < v->count; i++)
        if (v->items[i - 1] >= v->items[i]) return false;
    return true;
}

static Outcome search(Library &lib, const char *text, uint32_t flags, int32_t caret = -1)
{
    SearchContext ctx = {};
    ctx.index = lib.app->keyword_index;
    ctx.all = lib.app->bookmarks;
    ctx.text = text;
    ctx.caret = caret;
    ctx.flags = flags;
    Outcome out = {search_exp(&ctx) == 1, "", "(null)"};
    if (!out.ok) return out;
    EXPECT_TRUE(is_set(ctx.result)) << text;
    std::vector<std::string> names;
    for (uint32_t i = 0; i < ctx.result->count; i++)
        names.push_back(vec_at<Bookmark>(ctx.result, i)->title);
    std::sort(names.begin(), names.end());
    for (const std::string &n : names)
        out.names += (out.names.empty() ? "" : " ") + n;
    if (ctx.hint) {
        EXPECT_NE(0, ctx.hint[0]); // an empty hint is null
        out.hint = ctx.hint;
    }
    memFree(ctx.hint);
    vec_destroy(ctx.result);
    return out;
}

static std::string names(Library &lib, const char *text, uint32_t flags)
{
    Outcome o = search(lib, text, flags);
    return o.ok ? o.names : "fail";
}

TEST(SearchEval, PrefixWholeWordAndCase)
{
    Library lib;
    lib.add("P", "chess openings");
    lib.add("Q", "chessboard");
    lib.add("R", "Chess");
    lib.add("S", "cooking");
    EXPECT_EQ("P R", names(lib, "chess", 0));
    EXPECT_EQ("P Q R", names(lib, "chess", SEARCH_PREFIX));
    EXPECT_EQ("P R", names(lib, "chess.", SEARCH_PREFIX)); // a full stop asks for the whole word
    EXPECT_EQ("P Q", names(lib, "chess", SEARCH_PREFIX | SEARCH_CASE));
    EXPECT_EQ("R", names(lib, "Chess", SEARCH_CASE));
    EXPECT_EQ("P Q R", names(lib, "CH", SEARCH_PREFIX));
    EXPECT_EQ("", names(lib, "CH", SEARCH_PREFIX | SEARCH_CASE));
    EXPECT_EQ("", names(lib, "hess", SEARCH_PREFIX)); // prefixes match at the start only
    EXPECT_EQ("", names(lib, "chessboards", SEARCH_PREFIX));
    EXPECT_EQ("", names(lib, "zzz", SEARCH_PREFIX)); // an unknown word is no error

    // A Bookmark that matches through several keywords is in the result once.
    lib.add("T", "chess chessboard Chessmen");
    EXPECT_EQ("P Q R T", names(lib, "chess", SEARCH_PREFIX));
    EXPECT_EQ("P Q R T", names(lib, "chess | chessboard", SEARCH_PREFIX));
}

TEST(SearchEval, OperatorsNotAndImpliedOperator)
{
    Library lib;
    lib.add("P", "chess openings");
    lib.add("Q", "chessboard");
    lib.add("R", "Chess");
    lib.add("S", "cooking");
    EXPECT_EQ("Q S", names(lib, "!chess", 0));
    EXPECT_EQ("S", names(lib, "!chess", SEARCH_PREFIX));
    EXPECT_EQ("P Q R S", names(lib, "!zzz", 0));
    EXPECT_EQ("", names(lib, "!(a | !a)", 0));
    EXPECT_EQ("P R", names(lib, "!!chess", 0));

    EXPECT_EQ("", names(lib, "chess cooking", 0));
    EXPECT_EQ("P R S", names(lib, "chess cooking", SEARCH_IMPLIED_OR));
    for (uint32_t flags : {0u, SEARCH_IMPLIED_OR}) {
        EXPECT_EQ("", names(lib, "chess & cooking", flags));
        EXPECT_EQ("P R S", names(lib, "chess | cooking", flags));
    }
    EXPECT_EQ("P", names(lib, "chess openings", 0));
    EXPECT_EQ("P", names(lib, "chess & !Chess", SEARCH_CASE));
    EXPECT_EQ("Q S", names(lib, "cooking | chess & !chess.", SEARCH_PREFIX));

    // An empty result is still a success; a syntax error is not.
    Outcome o = search(lib, "zzz & chess", 0);
    EXPECT_TRUE(o.ok);
    EXPECT_EQ("", o.names);
    EXPECT_FALSE(search(lib, "chess & (", 0).ok);
}

TEST(SearchEval, HintOfTheWordUnderTheCaret)
{
    Library lib;
    lib.add("A", "Chip chair");
    lib.add("B", "chess chair");
    lib.add("C", "net news network");
    for (int caret : {0, 1, 2})
        EXPECT_EQ("Chip chair chess", search(lib, "ch", SEARCH_PREFIX, caret).hint);
    EXPECT_EQ("(null)", search(lib, "ch", SEARCH_PREFIX, 3).hint);
    EXPECT_EQ("chair chess", search(lib, "ch", SEARCH_PREFIX | SEARCH_CASE, 1).hint);
    EXPECT_EQ("(null)", search(lib, "ch x", SEARCH_PREFIX, 3).hint);
    EXPECT_EQ("(null)", search(lib, "ch", SEARCH_PREFIX, -1).hint);
    EXPECT_EQ("(null)", search(lib, "a & chess", SEARCH_PREFIX, 3).hint);
    EXPECT_EQ("chess", search(lib, "a & chess", SEARCH_PREFIX, 4).hint);
    EXPECT_EQ("(null)", search(lib, "zzz", SEARCH_PREFIX, 1).hint); // no match, no hint

    // Leading spaces are part of the text: the word runs from 2 to 7.
    EXPECT_EQ("(null)", search(lib, "  chess", SEARCH_PREFIX, 1).hint);
    for (int caret = 2; caret <= 7; caret++)
        EXPECT_EQ("chess", search(lib, "  chess", SEARCH_PREFIX, caret).hint);
    EXPECT_EQ("(null)", search(lib, "  chess", SEARCH_PREFIX, 8).hint);

    // After the full stop the caret touches both words, in evaluation order;
    // an exact word is not a prefix.
    EXPECT_EQ("net news", search(lib, "net.news", SEARCH_PREFIX, 4).hint);
    EXPECT_EQ("net", search(lib, "net.news", SEARCH_PREFIX, 3).hint);
    EXPECT_EQ("news", search(lib, "net.news", SEARCH_PREFIX, 5).hint);
    EXPECT_EQ("chess chess", search(lib, "chess.chess", SEARCH_PREFIX, 6).hint);
    // Terms under NOT and on both sides of an operator add too.
    EXPECT_EQ("net network news", search(lib, "!ne", SEARCH_PREFIX, 2).hint);
    EXPECT_EQ("chair", search(lib, "x | (!cha)", SEARCH_PREFIX, 7).hint);
}

// Letters beyond ASCII (UTF-8): whole words, folded case, prefixes that end
// inside a character, and the hint by byte offsets.
TEST(SearchEval, LettersBeyondAscii)
{
    Library lib;
    lib.add("P", "caf\xc3\xa9 M\xc3\xbcller na\xc3\xafve");                // café Müller naïve
    lib.add("Q", "CAF\xc3\x89");                                           // CAFÉ
    lib.add("R", "\xd0\x9c\xd0\xbe\xd1\x81\xd0\xba\xd0\xb2\xd0\xb0 news"); // Москва
    lib.add("S", "\xce\xa3\xce\xbf\xcf\x86\xce\xaf\xce\xb1");              // Σοφία
    lib.add("T", "caf");
    const struct {
        const char *text;
        uint32_t flags;
        const char *names;
    } cases[] = {
        {"CAF\xc3\x89", 0, "P Q"},
        {"CAF\xc3\x89", SEARCH_CASE, "Q"},
        {"caf\xc3\xa9 | caf", SEARCH_CASE, "P T"},
        {"caf", 0, "T"},
        {"caf", SEARCH_PREFIX, "P Q T"},
        {"caf\xc3", SEARCH_PREFIX, "P Q"}, // a prefix ending inside é
        {"m\xc3\x9cll", SEARCH_PREFIX, "P"},
        {"M\xc3\x9cLLER.", SEARCH_PREFIX, "P"},
        {"NA\xc3\x8fVE & !news", 0, "P"},
        {"\xd0\xbc\xd0\xbe\xd1\x81\xd0\xba\xd0\xb2\xd0\xb0", 0, "R"}, // москва
        {"\xd0\x9c\xd0\x9e\xd0\xa1\xd0\x9a\xd0\x92\xd0\x90", 0, "R"}, // МОСКВА
        {"\xd0\x9c\xd0\x9e\xd0\xa1", SEARCH_PREFIX | SEARCH_CASE, ""},
        {"\xcf\x83\xce\xbf\xcf\x86", SEARCH_PREFIX, "S"},     // σοφ
        {"\xce\xa3\xce\x9f\xce\xa6\xce\x8a\xce\x91", 0, "S"}, // ΣΟΦΊΑ
        {"\xce\xa3\xce\x9f\xce\xa6\xce\x99\xce\x91", 0, ""},  // ΣΟΦΙΑ: no accent
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.names, names(lib, c.text, c.flags)) << c.text << " flags " << c.flags;

    // The caret counts bytes: "x | мос" has its word from byte 4 to 10.
    const char *text = "x | \xd0\xbc\xd0\xbe\xd1\x81";
    EXPECT_EQ("(null)", search(lib, text, SEARCH_PREFIX, 3).hint);
    EXPECT_EQ("\xd0\x9c\xd0\xbe\xd1\x81\xd0\xba\xd0\xb2\xd0\xb0",
              search(lib, text, SEARCH_PREFIX, 10).hint);
    EXPECT_EQ("CAF\xc3\x89 caf caf\xc3\xa9", search(lib, "caf", SEARCH_PREFIX, 0).hint);
}

static const char *panic_seen;
static void remember_panic(const char *diagnostic)
{
    panic_seen = diagnostic;
}

TEST(SearchEval, SetOperationsAndUnknownOperator)
{
    Library lib;
    lib.add("A", "x");
    lib.add("B", "x y");
    lib.add("C", "y");
    vec *all = lib.app->bookmarks;
    vec *x = vec_create(), *y = vec_create(), *none = vec_create();
    for (uint32_t i = 0; i < all->count; i++) {
        const char *t = vec_at<Bookmark>(all, i)->title;
        if (t[0] != 'C') vec_append_(x, all->items[i]);
        if (t[0] != 'A') vec_append_(y, all->items[i]);
    }
    auto count_and_free = [](vec *v) {
        uint32_t n = v->count;
        EXPECT_TRUE(is_set(v));
        vec_destroy(v);
        return n;
    };
    EXPECT_EQ(1u, count_and_free(set_intersect(x, y)));
    EXPECT_EQ(3u, count_and_free(set_union(x, y)));
    EXPECT_EQ(1u, count_and_free(set_minus(x, y)));
    EXPECT_EQ(0u, count_and_free(set_intersect(none, y)));
    EXPECT_EQ(0u, count_and_free(set_intersect(x, none)));
    EXPECT_EQ(2u, count_and_free(set_union(none, x)));
    EXPECT_EQ(0u, count_and_free(set_minus(none, x)));
    EXPECT_EQ(2u, count_and_free(set_minus(x, none)));
    EXPECT_EQ(2u, x->count); // the inputs are left as they were
    EXPECT_EQ(2u, y->count);

    // An operator the parser never makes: both operands are still matched
    // (they add to the hint), then the search panics and gives the empty set.
    ExpNode *tree = parse_exp("x y");
    tree->op = 9;
    SearchContext ctx = {};
    ctx.index = lib.app->keyword_index;
    ctx.all = all;
    ctx.caret = 2;
    vstrInit(&ctx.hint_text);
    panic_seen = nullptr;
    panic_set_hook(remember_panic);
    vec *r = eval_exp(&ctx, tree);
    panic_set_hook(nullptr);
    EXPECT_STREQ("unknown node type in eval_exp", panic_seen);
    EXPECT_EQ(0u, r->count);
    EXPECT_STREQ("y", ctx.hint_text.data);
    vec_destroy(r);
    vstrClear(&ctx.hint_text);
    free_exp(tree);
    vec_destroy(x);
    vec_destroy(y);
    vec_destroy(none);
}

// The union of many keywords' sets, with set elements spread over the whole
// address range (match_term only compares them; it never follows them).
TEST(SearchEval, UnionOfManySetsSpreadOverAllAddresses)
{
    std::mt19937_64 rng(5);
    for (int round = 0; round < 20; round++) {
        KeywordIndex index = {};
        index.entries = vec_create();
        index.stopWords = vec_create();
        std::set<vec_slot> expect;
        int keywords = round == 0 ? 3 : 3 + (int) (rng() % 60);
        for (int k = 0; k < keywords; k++) {
            std::string text = "w" + std::to_string(100 + k); // index order
            KeywordEntry *e =
                (KeywordEntry *) memAlloc(offsetof(KeywordEntry, text) + text.size() + 1);
            memcpy(e->text, text.c_str(), text.size() + 1);
            e->bookmarks = vec_create();
            std::set<vec_slot> mine;
            int n = round == 0 ? 1 : (int) (rng() % 300);
            for (int i = 0; i < n; i++) {
                // Round 0: one and the same element everywhere. Else values
                // near each other, far apart, and at both ends of the range.
                vec_slot v = round == 0 ? 0x1000 : (vec_slot) rng() & ~(vec_slot) 7;
                if (rng() % 3 == 0) v = (vec_slot) (rng() % 4096) * 8;
                if (rng() % 50 == 0) v = ~(vec_slot) 7;
                mine.insert(v);
            }
            for (vec_slot v : mine)
                vec_append_(e->bookmarks, v);
            expect.insert(mine.begin(), mine.end());
            vec_append(index.entries, e);
        }
        SearchContext ctx = {};
        ctx.index = &index;
        ctx.flags = SEARCH_PREFIX;
        vstrInit(&ctx.hint_text);
        ExpNode *term = parse_exp("W");
        vec *got = match_term(&ctx, term);
        EXPECT_EQ(std::vector<vec_slot>(expect.begin(), expect.end()),
                  std::vector<vec_slot>(got->items, got->items + got->count));
        vec_destroy(got);
        vstrClear(&ctx.hint_text);
        free_exp(term);
        for (uint32_t i = 0; i < index.entries->count; i++) {
            vec_destroy(vec_at<KeywordEntry>(index.entries, i)->bookmarks);
            memFree(vec_at<KeywordEntry>(index.entries, i));
        }
        vec_destroy(index.entries);
        vec_destroy(index.stopWords);
    }
}

// ---- Deep trees on a small stack ------------------------------------------

struct DeepSearch {
    Library *lib;
    std::string text;
    Outcome outcome; // out
    bool finished;   // out: the thread got to the end
};

static void deep_search(void *p)
{
    DeepSearch *d = (DeepSearch *) p;
    d->outcome = search(*d->lib, d->text.c_str(), SEARCH_PREFIX);
    d->finished = true;
}

static Outcome search_on_small_stack(Library &lib, const std::string &text)
{
    // A stack overflow may end only the thread (it does under Wine), so the
    // thread must say that it finished.
    DeepSearch d = {&lib, text, {false, "", ""}, false};
    EXPECT_EQ(1, os_run_on_thread(deep_search, &d, 1 << 20));
    EXPECT_TRUE(d.finished);
    return d.outcome;
}

TEST(SearchEval, DeepTreesOnSmallStack)
{
    Library lib;
    lib.add("P", "chess");
    lib.add("Q", "cooking");
    std::string open(9000, '('), close(9000, ')');
    Outcome o = search_on_small_stack(lib, open + "chess" + close);
    EXPECT_TRUE(o.ok);
    EXPECT_EQ("P", o.names);

    EXPECT_FALSE(search_on_small_stack(lib, std::string(100000, '!') + "chess").ok);
    o = search_on_small_stack(lib, std::string(9997, '!') + "chess");
    EXPECT_TRUE(o.ok);
    EXPECT_EQ("Q", o.names);

    // A long left-grouped chain is as deep as it is long.
    std::string chain;
    for (int i = 0; i < 100000; i++)
        chain += i % 2 ? "| chess " : "co ";
    o = search_on_small_stack(lib, chain);
    EXPECT_TRUE(o.ok);
    EXPECT_EQ("P Q", o.names);
}

// ---- Random searches against a brute-force evaluator -----------------------

// The Bookmarks' keywords as the test gave them; the expected result of a
// tree is worked out from these alone, one Bookmark at a time.
struct Model {
    std::map<std::string, std::vector<std::string>> keywords; // by name

    std::set<std::string> all_keywords() const
    {
        std::set<std::string> all; // byte-wise order, as the index
        for (const auto &k : keywords)
            all.insert(k.second.begin(), k.second.end());
        return all;
    }
};

// The letters beyond ASCII among the stems below, upper case first.
static const char *const CASE_PAIRS[][2] = {
    {"\xc3\x89", "\xc3\xa9"}, // É é
    {"\xce\xa3", "\xcf\x83"}, // Σ σ
    {"\xd0\xa0", "\xd1\x80"}, // Р р
    {"\xc5\xb8", "\xc3\xbf"}, // Ÿ ÿ
};

static std::string model_lower(std::string s)
{
    for (char &c : s)
        c = (char) tolower((unsigned char) c);
    for (const auto &p : CASE_PAIRS)
        for (size_t at; (at = s.find(p[0])) != std::string::npos;)
            s.replace(at, 2, p[1]);
    return s;
}

static bool model_match(const std::string &keyword, const ExpNode *term, uint32_t flags)
{
    std::string k = keyword, t = term->text;
    if (!(flags & SEARCH_CASE)) {
        k = model_lower(k);
        t = model_lower(t);
    }
    if ((flags & SEARCH_PREFIX) && !term->exact) return k.compare(0, t.size(), t) == 0;
    return k == t;
}

static bool model_eval(const ExpNode *n, const std::vector<std::string> &kws, uint32_t flags)
{
    if (n->type == EXP_TERM) {
        for (const std::string &k : kws)
            if (model_match(k, n, flags)) return true;
        return false;
    }
    bool l = model_eval(n->left, kws, flags);
    if (n->op == EXP_NOT) return !l;
    bool r = model_eval(n->right, kws, flags);
    if (n->op == EXP_AND || (n->op == EXP_IMPLIED && !(flags & SEARCH_IMPLIED_OR))) return l && r;
    return l || r;
}

static void model_hint(const ExpNode *n, const std::set<std::string> &all, uint32_t flags,
                       int caret, std::string *hint)
{
    if (n->type != EXP_TERM) {
        model_hint(n->left, all, flags, caret, hint);
        if (n->right) model_hint(n->right, all, flags, caret, hint);
        return;
    }
    int end = n->offset + (int) strlen(n->text) + n->exact;
    if (caret < n->offset || caret > end) return;
    for (const std::string &k : all)
        if (model_match(k, n, flags)) *hint += (hint->empty() ? "" : " ") + k;
}

static std::string model_search(const Model &m, const char *text, uint32_t flags, int caret,
                                std::string *hint)
{
    ExpNode *tree = parse_exp(text);
    if (!tree) return "fail";
    std::string out;
    for (const auto &k : m.keywords) // names in sorted order
        if (model_eval(tree, k.second, flags)) out += (out.empty() ? "" : " ") + k.first;
    hint->clear();
    model_hint(tree, m.all_keywords(), flags, caret, hint);
    if (hint->empty()) *hint = "(null)";
    free_exp(tree);
    return out;
}

TEST(SearchEval, AgreesWithBruteForceEvaluator)
{
    std::mt19937 rng(77);
    auto pick = [&](int n) { return (int) (rng() % (unsigned) n); };
    static const char *stems[] = {
        "a",
        "ab",
        "Ab",
        "AB",
        "abc",
        "b",
        "ba",
        "B",
        "bab",
        "c1",
        "C12",
        "\xc3\xa9",
        "\xc3\x89",
        "\xc3\x89"
        "b",
        "\xcf\x83",
        "\xce\xa3",
        "\xd0\xa0",
        "\xd1\x80"
        "a",
        "\xc5\xb8",
        "\xc3\xbf",
        "\xc3",
    };
    auto word = [&] { return std::string(stems[pick(21)]); };

    for (int library = 0; library < 12; library++) {
        Library lib;
        Model m;
        int count = 5 + pick(40);
        for (int i = 0; i < count; i++) {
            std::string name = "N" + std::to_string(100 + i), text;
            std::vector<std::string> kws;
            int n = pick(5);
            for (int k = 0; k < n; k++) {
                std::string w = word() + (pick(3) ? "" : word());
                text += w + " ";
                if (std::find(kws.begin(), kws.end(), w) == kws.end()) kws.push_back(w);
            }
            lib.add(name.c_str(), text.c_str());
            m.keywords[name] = kws;
        }
        // Some Bookmarks leave again, taking keywords out of the index.
        for (int k = pick(4); k > 0; k--) {
            auto it = m.keywords.begin();
            std::advance(it, pick((int) m.keywords.size()));
            delete_bookmark(lib.app, lib.named(it->first.c_str()));
            m.keywords.erase(it);
        }

        for (int round = 0; round < 150; round++) {
            // An expression from the grammar, with words both known and not.
            std::string text;
            int terms = 1 + pick(5), open = 0;
            for (int k = 0; k < terms; k++) {
                if (k) text += std::string(" |&")[pick(3)] + std::string(" ");
                while (pick(4) == 0)
                    text += "!";
                if (pick(4) == 0) {
                    text += "(";
                    open++;
                }
                text += pick(6) ? word() : "zz";
                if (pick(4) == 0) text += ".";
                text += " ";
                if (open && pick(3) == 0) {
                    text += ")";
                    open--;
                }
            }
            text += std::string(open, ')');
            uint32_t flags = (uint32_t) pick(8);
            int caret = pick((int) text.size() + 2) - 1;

            std::string expect_hint;
            std::string expect = model_search(m, text.c_str(), flags, caret, &expect_hint);
            Outcome got = search(lib, text.c_str(), flags, caret);
            ASSERT_TRUE(got.ok) << text;
            ASSERT_EQ(expect, got.names) << text << " flags " << flags;
            ASSERT_EQ(expect_hint, got.hint) << text << " flags " << flags << " caret " << caret;
        }
    }
}
