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
#include "core/mem.h"
#include "helpers/store_helpers.h"
#include "core/panic.h"
#include "search/keyword_index.h"
#include "search/search_eval.h"
#include "store/bookmark.h"

// An application record whose Bookmarks are named by their titles.
struct Library {
    AppState *app;

    Library() { app = new_app(); }
    ~Library() { app_state_destroy(app); }

    void add(const char *name, const char *keywords)
    {
        add_to(app, name, (std::string("http://") + name + "/").c_str(), keywords);
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

// Cases the random searches below do not make, and a few that show the
// rules: a syntax error, the hint of the word under the caret (leading
// blanks, two words that touch, carets counted in bytes), and letters beyond
// ASCII (UTF-8) that fold when case does not count while accents count.
TEST(SearchEval, ChosenCases)
{
    Library lib;
    lib.add("P", "chess openings");
    lib.add("Q", "chessboard");
    lib.add("R", "Chess");
    lib.add("S", "cooking net news network");
    lib.add("T", "caf\xc3\xa9 M\xc3\xbcller \xd0\x9c\xd0\xbe\xd1\x81\xd0\xba\xd0\xb2\xd0\xb0"); // Москва
    lib.add("U", "CAF\xc3\x89 \xce\xa3\xce\xbf\xcf\x86\xce\xaf\xce\xb1");                        // Σοφία
    const uint32_t PREFIX = SEARCH_PREFIX;
    const struct {
        const char *text;
        uint32_t flags;
        int caret;
        const char *names, *hint;
    } cases[] = {
        {"chess", PREFIX, 0, "P Q R", "Chess chess chessboard"},
        {"chess & (", 0, -1, "fail", "(null)"},
        {"  chess", PREFIX, 1, "P Q R", "(null)"},
        {"  chess", PREFIX, 2, "P Q R", "Chess chess chessboard"},
        {"  chess", PREFIX, 8, "P Q R", "(null)"},
        {"net.news", PREFIX, 4, "S", "net news"},
        {"chess.chess", PREFIX, 6, "P R", "Chess chess Chess chess chessboard"},
        {"x | (!ne)", PREFIX, 7, "P Q R T U", "net network news"},
        {"m\xc3\x9cll", PREFIX, -1, "T", "(null)"},
        {"\xd0\x9c\xd0\x9e\xd0\xa1\xd0\x9a\xd0\x92\xd0\x90", 0, -1, "T", "(null)"}, // МОСКВА
        {"\xce\xa3\xce\x9f\xce\xa6\xce\x8a\xce\x91", 0, -1, "U", "(null)"},         // ΣΟΦΊΑ
        {"\xce\xa3\xce\x9f\xce\xa6\xce\x99\xce\x91", 0, -1, "", "(null)"},          // ΣΟΦΙΑ
        // The caret counts bytes: "x | мос" has its word from byte 4 to 10.
        {"x | \xd0\xbc\xd0\xbe\xd1\x81", PREFIX, 3, "T", "(null)"},
        {"x | \xd0\xbc\xd0\xbe\xd1\x81", PREFIX, 10, "T",
         "\xd0\x9c\xd0\xbe\xd1\x81\xd0\xba\xd0\xb2\xd0\xb0"},
    };
    for (const auto &c : cases) {
        Outcome o = search(lib, c.text, c.flags, c.caret);
        EXPECT_EQ(c.names, o.ok ? o.names : "fail") << c.text << " flags " << c.flags;
        EXPECT_EQ(c.hint, o.hint) << c.text << " caret " << c.caret;
    }
}

static const char *panic_seen;
static void remember_panic(const char *diagnostic)
{
    panic_seen = diagnostic;
}

// An operator the parser never makes: both operands are still matched
// (they add to the hint), then the search panics and gives the empty set.
TEST(SearchEval, UnknownOperator)
{
    Library lib;
    lib.add("A", "x");
    lib.add("B", "x y");
    ExpNode *tree = parse_exp("x y");
    tree->op = 9;
    SearchContext ctx = {};
    ctx.index = lib.app->keyword_index;
    ctx.all = lib.app->bookmarks;
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
        for (int k = round == 0 ? 3 : 3 + (int) (rng() % 60); k > 0; k--) {
            std::string text = "w" + std::to_string(200 - k); // index order
            KeywordEntry *e =
                (KeywordEntry *) memAlloc(offsetof(KeywordEntry, text) + text.size() + 1);
            memcpy(e->text, text.c_str(), text.size() + 1);
            std::set<vec_slot> mine;
            // Round 0: one and the same element everywhere. Else values near
            // each other, far apart, and at both ends of the range.
            for (int i = round == 0 ? 1 : (int) (rng() % 300); i > 0; i--) {
                vec_slot v = round == 0 ? 0x1000 : (vec_slot) rng() & ~(vec_slot) 7;
                if (rng() % 3 == 0) v = (vec_slot) (rng() % 4096) * 8;
                if (rng() % 50 == 0) v = ~(vec_slot) 7;
                mine.insert(v);
            }
            e->bookmarks = vec_create();
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

TEST(SearchEval, DeepTreesOnSmallStack)
{
    Library lib;
    lib.add("P", "chess");
    lib.add("Q", "cooking");
    std::string chain; // a long left-grouped chain is as deep as it is long
    for (int i = 0; i < 100000; i++)
        chain += i % 2 ? "| chess " : "co ";
    const std::pair<std::string, const char *> cases[] = {
        {std::string(9000, '(') + "chess" + std::string(9000, ')'), "P"},
        {std::string(9997, '!') + "chess", "Q"},
        {std::string(100000, '!') + "chess", "fail"},
        {chain, "P Q"},
    };
    for (const auto &c : cases) {
        Outcome o = {false, "", ""};
        EXPECT_TRUE(on_small_stack([&] { o = search(lib, c.first.c_str(), SEARCH_PREFIX); }));
        EXPECT_EQ(c.second, o.ok ? o.names : "fail") << c.first.substr(0, 8);
    }
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
        "a", "ab", "Ab", "AB", "abc", "b", "ba", "B", "bab", "c1", "C12",
        "\xc3\xa9", "\xc3\x89", "\xc3\x89" "b", "\xcf\x83", "\xce\xa3", "\xd0\xa0", "\xd1\x80" "a",
        "\xc5\xb8", "\xc3\xbf", "\xc3",
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
            bool touching = false; // a word that ended in a full stop
            for (int k = 0; k < terms; k++) {
                if (k && !touching) text += std::string(" |&")[pick(3)] + std::string(" ");
                while (pick(4) == 0)
                    text += "!";
                if (pick(4) == 0) {
                    text += "(";
                    open++;
                }
                text += pick(6) ? word() : "zz";
                // A full stop ends a word; the next may follow at once.
                touching = pick(4) == 0 && pick(2);
                text += touching ? "." : pick(4) ? " " : ". ";
                if (!touching && open && pick(3) == 0) {
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
