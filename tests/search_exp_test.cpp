// Search expressions. The parser: a table of texts and the trees (or
// failures) they give and a differential test against a brute-force
// reference parser. Evaluation: an operator the parser never makes, the union
// of many sets, deep trees parsed and searched on a small stack, and random
// searches, matching and hint, against a brute-force evaluator.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <random>
#include <set>
#include <string.h>
#include <string>
#include <vector>

#include "core/mem.h"
#include "core/os.h"
#include "core/panic.h"
#include "helpers/store_helpers.h"
#include "search/exp_parser.h"
#include "search/keyword_index.h"
#include "search/search_eval.h"
#include "session/appstate.h"
#include "store/bookmark.h"

// Random search texts from the grammar, each of which parses: words as
// word() gives them, NOTs, parentheses (closed by ")" or the apostrophe)
// nested up to depth, operators with bytes the scanner skips around them,
// and words side by side with a blank between them or touching after a full
// stop.
struct SearchTextMaker {
    std::mt19937 rng;
    std::function<std::string()> word;
    int pick(int n) { return (int) (rng() % (unsigned) n); }
    std::string space()
    {
        static const char *fill[] = {"",  "",  "",   " ", "  ", "\t", "-",
                                     ",", "+", "\"", "_", "*",  "."};
        return fill[pick(13)];
    }
    std::string expr(int depth)
    {
        std::string s = factor(depth);
        for (int k = pick(4); k > 0; k--) {
            static const char *ops[] = {" ", ".", "|", "&", " | ", " & "};
            std::string op = ops[pick(6)];
            s += (op == " " || op == "." ? op : space() + op + space()) + factor(depth);
        }
        return s;
    }
    std::string factor(int depth)
    {
        int r = depth > 0 ? pick(6) : 0;
        if (r <= 2) return word();
        if (r == 3) return "!" + space() + factor(depth - 1);
        return "(" + space() + expr(depth - 1) + space() + (pick(5) ? ")" : "'");
    }
};

// Runs fn on a thread with a 1 MB stack. A stack overflow may end only the
// thread (it does under Wine): true when fn ran to its end.
static bool on_small_stack(const std::function<void()> &fn)
{
    struct Run {
        const std::function<void()> *fn;
        bool finished;
    } run = {&fn, false};
    int started = os_run_on_thread(
        [](void *p) {
            Run *r = (Run *) p;
            (*r->fn)();
            r->finished = true;
        },
        &run, 1 << 20);
    return started == 1 && run.finished;
}

// A tree as text: terms as word[.]@offset, operators as AND(l,r), OR(l,r),
// NOT(x) and IMP(l,r).
static std::string show(const ExpNode *n)
{
    if (n->type == EXP_TERM)
        return std::string(n->text) + (n->exact ? "." : "") + "@" + std::to_string(n->offset);
    static const char *names[] = {"AND", "OR", "NOT", "IMP"};
    std::string s = std::string(names[n->op]) + "(" + show(n->left);
    if (n->right) s += "," + show(n->right);
    return s + ")";
}

// The tree of text as shown above, or "fail".
static std::string parse_shown(const std::string &text)
{
    ExpNode *tree = parse_exp(text.c_str());
    if (!tree) return "fail";
    std::string s = show(tree);
    free_exp(tree);
    return s;
}

// Separators the random texts below do not use, and the empty text. Every
// failure, here and among the random texts, runs under the leak checker
// natively: the nodes made before the failing token must all be freed.
TEST(ExpParser, ChosenTexts)
{
    const struct {
        const char *text, *tree;
    } cases[] = {
        {"a_b:c*d\"e,f[g]\n\x01h",
         "IMP(IMP(IMP(IMP(IMP(IMP(IMP(a@0,b@2),c@4),d@6),e@8),f@10),g@12),h@16)"},
        {"", "fail"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.tree, parse_shown(c.text)) << "text: " << c.text;
}

// ---- Differential test against a brute-force reference ------------------

struct RefToken {
    char kind; // 'w' for a word, else the operator byte: ! & | ( )
    std::string tree;
};

// The tokens of text, read straight from the scanner's rules.
static std::vector<RefToken> ref_scan(const std::string &text)
{
    std::vector<RefToken> tokens;
    auto word_byte = [](unsigned char c) { return isalnum(c) || c >= 128; };
    for (size_t i = 0; i < text.size() && text[i];) {
        size_t j = i;
        while (j < text.size() && word_byte((unsigned char) text[j]))
            j++;
        if (j > i) {
            int exact = j < text.size() && text[j] == '.';
            tokens.push_back({'w', text.substr(i, j - i + exact) + "@" + std::to_string(i)});
            i = j + exact;
            continue;
        }
        if (strchr("!&|()", text[i])) tokens.push_back({text[i], ""});
        if (text[i] == '\'') tokens.push_back({')', ""});
        i++;
    }
    return tokens;
}

// Tries every way the grammar could derive each range of tokens, remembering
// the answers. Counts derivations too, so an ambiguity would show.
struct RefParser {
    std::vector<RefToken> t;
    std::vector<std::pair<int, std::string>> known; // per (nt, i, j); -1: not yet
    bool ambiguous = false;

    // expr (nt 0) or factor (nt 1) over tokens i..j-1: derivations and the
    // first one's tree.
    const std::pair<int, std::string> &derive(int nt, size_t i, size_t j)
    {
        size_t n = t.size() + 1;
        if (known.empty()) known.assign(2 * n * n, {-1, ""});
        std::pair<int, std::string> &d = known[(nt * n + i) * n + j];
        if (d.first >= 0) return d;
        int count = 0;
        std::string tree;
        auto found = [&](const std::string &s) {
            if (count++ == 0) tree = s;
        };
        if (nt == 1) {
            if (j == i + 1 && t[i].kind == 'w') found(t[i].tree);
            if (j > i + 1 && t[i].kind == '!' && derive(1, i + 1, j).first)
                found("NOT(" + derive(1, i + 1, j).second + ")");
            if (j >= i + 3 && t[i].kind == '(' && t[j - 1].kind == ')' &&
                derive(0, i + 1, j - 1).first)
                found(derive(0, i + 1, j - 1).second);
        } else {
            if (derive(1, i, j).first) found(derive(1, i, j).second);
            for (size_t m = i + 1; m < j; m++) {
                if (!derive(0, i, m).first) continue;
                const std::string &left = derive(0, i, m).second;
                if ((t[m].kind == '|' || t[m].kind == '&') && m + 1 < j &&
                    derive(1, m + 1, j).first)
                    found((t[m].kind == '|' ? "OR(" : "AND(") + left + "," +
                          derive(1, m + 1, j).second + ")");
                if (derive(1, m, j).first)
                    found("IMP(" + left + "," + derive(1, m, j).second + ")");
            }
        }
        ambiguous |= count > 1;
        d = {count, tree};
        return d;
    }
};

static std::string ref_parse(const std::string &text, bool *ambiguous)
{
    RefParser p;
    p.t = ref_scan(text);
    bool ok = !p.t.empty() && p.derive(0, 0, p.t.size()).first;
    *ambiguous = p.ambiguous;
    return ok ? p.derive(0, 0, p.t.size()).second : "fail";
}

// Random texts: expressions from the grammar, the same with a byte inserted
// and perhaps one removed, and junk.
static std::string random_text(SearchTextMaker &maker, int round)
{
    auto any = [&](const std::string &bytes) {
        return bytes.substr(maker.pick((int) bytes.size()), 1);
    };
    std::string s;
    switch (round % 3) {
    case 0: return maker.expr(3);
    case 1:
        s = maker.expr(4);
        s.insert((size_t) maker.pick((int) s.size()), any("a! &|()'."));
        s.erase((size_t) maker.pick((int) s.size()), (size_t) maker.pick(2));
        return s;
    default:
        for (int k = 1 + maker.pick(16); k > 0; k--)
            s += maker.pick(40) == 0 ? std::string(1, (char) (128 + maker.pick(128)))
                                     : any("ab! &|()'.-\"\t\x01Z9");
        return s;
    }
}

TEST(ExpParser, AgreesWithBruteForceReference)
{
    static const char *words[] = {"a", "b", "Chess", "x1", "net", "W", "9", "ab"};
    SearchTextMaker maker{std::mt19937(20240501), nullptr};
    maker.word = [&] { return std::string(words[maker.pick(8)]) + (maker.pick(4) ? "" : "."); };
    int accepted = 0, rejected = 0;
    for (int round = 0; round < 6000; round++) {
        std::string text = random_text(maker, round);
        bool ambiguous = false;
        std::string expected = ref_parse(text, &ambiguous);
        ASSERT_FALSE(ambiguous) << "text: " << text;
        ASSERT_EQ(expected, parse_shown(text)) << "text: " << text;
        (expected == "fail" ? rejected : accepted)++;
    }
    // Both outcomes must be well represented for the comparison to mean much.
    EXPECT_GT(accepted, 2000);
    EXPECT_GT(rejected, 1500);
}

// ---- Evaluation ----------------------------------------------------------

// An application record whose Bookmarks are named by their titles.
struct Library {
    AppState *app = new_app();
    ~Library() { app_state_destroy(app); }
    std::string url(const std::string &name) { return "http://" + name + "/"; }
    void add(const std::string &name, const char *keywords)
    {
        add_to(app, name.c_str(), url(name).c_str(), keywords);
    }
};

// "titles|hint" of a search: the titles of the result sorted and separated
// by spaces, the hint "" when there is none; "fail" when the text does not
// parse.
static std::string search(Library &lib, const std::string &text, uint32_t flags, int caret = -1)
{
    SearchContext ctx = {};
    ctx.index = lib.app->keyword_index;
    ctx.all = lib.app->bookmarks;
    ctx.text = text.c_str();
    ctx.caret = caret;
    ctx.flags = flags;
    if (search_exp(&ctx) != 1) return "fail";
    std::set<std::string> names;
    for (uint32_t i = 0; i < ctx.result->count; i++) {
        EXPECT_TRUE(i == 0 || ctx.result->items[i - 1] < ctx.result->items[i]) << text; // a set
        names.insert(vec_at<Bookmark>(ctx.result, i)->title);
    }
    std::string out;
    for (const std::string &n : names)
        out += (out.empty() ? "" : " ") + n;
    EXPECT_TRUE(!ctx.hint || ctx.hint[0]) << text; // an empty hint is null
    out += "|" + std::string(ctx.hint ? ctx.hint : "");
    memFree(ctx.hint);
    vec_destroy(ctx.result);
    return out;
}

static const char *panic_seen;

// An operator the parser never makes: both operands are still matched
// (they add to the hint), then the search panics and gives the empty set.
TEST(SearchEval, UnknownOperator)
{
    Library lib;
    lib.add("A", "x y");
    ExpNode *tree = parse_exp("x y");
    tree->op = 9;
    SearchContext ctx = {};
    ctx.index = lib.app->keyword_index;
    ctx.all = lib.app->bookmarks;
    ctx.caret = 2;
    vstrInit(&ctx.hint_text);
    panic_set_hook([](const char *diagnostic) { panic_seen = diagnostic; });
    vec *r = eval_exp(&ctx, tree);
    panic_set_hook(nullptr);
    EXPECT_STREQ("unknown node type in eval_exp", panic_seen);
    EXPECT_EQ("0 y", std::to_string(r->count) + " " + ctx.hint_text.data);
    vec_destroy(r);
    vstrClear(&ctx.hint_text);
    free_exp(tree);
}

// The union of many keywords' sets, with members spread over the whole
// address range (the index only compares them; it never follows them).
TEST(SearchEval, UnionOfManySetsSpreadOverAllAddresses)
{
    std::mt19937_64 rng(5);
    for (int round = 0; round < 20; round++) {
        KeywordIndex *index = keyword_index_create();
        std::vector<KeywordList *> lists;
        std::set<vec_slot> expect;
        int words = 3 + (int) (rng() % 60);
        // Members near each other, far apart, and at both ends of the range.
        for (int i = (int) (rng() % 2000); i > 0; i--) {
            vec_slot v = (vec_slot) rng() & ~(vec_slot) 7;
            if (rng() % 3 == 0) v = (vec_slot) (rng() % 4096) * 8;
            if (rng() % 50 == 0) v = ~(vec_slot) 7;
            if (!expect.insert(v).second) continue;
            std::string text;
            for (int k = 1 + (int) (rng() % 4); k > 0; k--)
                text += " w" + std::to_string(rng() % words);
            lists.push_back(set_keywords(index, (Bookmark *) v, text.c_str(), nullptr));
        }
        SearchContext ctx = {};
        ctx.index = index;
        ctx.flags = SEARCH_PREFIX;
        vstrInit(&ctx.hint_text);
        ExpNode *term = parse_exp("W");
        vec *got = match_term(&ctx, term);
        EXPECT_EQ(std::vector<vec_slot>(expect.begin(), expect.end()),
                  std::vector<vec_slot>(got->items, got->items + got->count));
        vec_destroy(got);
        vstrClear(&ctx.hint_text);
        free_exp(term);
        for (KeywordList *list : lists)
            keyword_list_destroy(list);
        keyword_index_destroy(index);
    }
}

// Deep trees parsed, searched and freed on a small stack. A pending ( or !
// takes one parser stack entry besides the few of the rest, so the last
// depths that fit are 9997 parentheses and 9998 NOTs. Left grouping needs no
// stack in the parser, but builds a tree as deep as the expression is long;
// neither searching nor freeing it may recurse.
TEST(SearchEval, DeepTreesOnSmallStack)
{
    Library lib;
    lib.add("P", "chess");
    lib.add("Q", "cooking");
    auto repeat = [](const char *piece, int n) {
        std::string s;
        while (n--)
            s += piece;
        return s;
    };
    const std::pair<std::string, const char *> cases[] = {
        {repeat("(", 9997) + "chess" + repeat(")", 9997), "P|"},
        {repeat("(", 9998) + "chess" + repeat(")", 9998), "fail"},
        {repeat("!", 9998) + "chess", "P|"},
        {repeat("!", 9997) + "chess", "Q|"},
        {repeat("!", 9999) + "chess", "fail"},
        {repeat("chess ", 199999) + "co", "|"},
        {repeat("(", 5000) + repeat("co | ", 100000) + "chess" + repeat(")", 5000), "P Q|"},
        {repeat("co | chess ", 50000), "P Q|"},
    };
    for (const auto &c : cases) {
        std::string got;
        EXPECT_TRUE(on_small_stack([&] { got = search(lib, c.first, SEARCH_PREFIX); }));
        EXPECT_EQ(c.second, got) << c.first.substr(0, 8);
    }
}

// ---- Random searches against a brute-force evaluator -----------------------

// Letters as the model folds them: ASCII and the letters beyond it among
// the stems below (upper case first).
static std::string model_lower(std::string s)
{
    static const char *const pairs[][2] = {
        {"\xc3\x89", "\xc3\xa9"}, // É é
        {"\xce\xa3", "\xcf\x83"}, // Σ σ
        {"\xd0\xa0", "\xd1\x80"}, // Р р
        {"\xc5\xb8", "\xc3\xbf"}, // Ÿ ÿ
    };
    for (char &c : s)
        c = (char) tolower((unsigned char) c);
    for (const auto &p : pairs)
        for (size_t at; (at = s.find(p[0])) != std::string::npos;)
            s.replace(at, 2, p[1]);
    return s;
}

static bool model_match(std::string k, const ExpNode *term, uint32_t flags)
{
    std::string t = term->text;
    if (!(flags & SEARCH_CASE)) {
        k = model_lower(k);
        t = model_lower(t);
    }
    return (flags & SEARCH_PREFIX) && !term->exact ? k.compare(0, t.size(), t) == 0 : k == t;
}

// Whether a Bookmark with the keywords kws is in the result of tree n.
static bool model_eval(const ExpNode *n, const std::set<std::string> &kws, uint32_t flags)
{
    if (n->type == EXP_TERM) {
        for (const std::string &k : kws)
            if (model_match(k, n, flags)) return true;
        return false;
    }
    bool l = model_eval(n->left, kws, flags);
    if (n->op == EXP_NOT) return !l;
    bool r = model_eval(n->right, kws, flags);
    return n->op == EXP_AND || (n->op == EXP_IMPLIED && !(flags & SEARCH_IMPLIED_OR)) ? l && r
                                                                                      : l || r;
}

// The keywords of all (in byte-wise order, as the index) that terms under
// the caret match, in the order the terms stand.
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

TEST(SearchEval, AgreesWithBruteForceEvaluator)
{
    SearchTextMaker maker{std::mt19937(77), nullptr};
    auto pick = [&](int n) { return maker.pick(n); };
    static const char *stems[] = {"a",        "ab",       "Ab",        "AB",        "abc",
                                  "b",        "ba",       "B",         "bab",       "c1",
                                  "C12",      "\xc3\xa9", "\xc3\x89",  "\303\211b", "\xcf\x83",
                                  "\xce\xa3", "\xd0\xa0", "\321\200a", "\xc5\xb8",  "\xc3\xbf",
                                  "\xc3"}; // É, Р and ÿ among them
    auto word = [&] { return std::string(stems[pick(21)]); };
    maker.word = [&] { return (pick(6) ? word() : "zz") + (pick(4) ? "" : "."); }; // or unknown

    for (int library = 0; library < 12; library++) {
        Library lib;
        std::map<std::string, std::set<std::string>> model; // keywords by name
        for (int i = 5 + pick(40); i > 0; i--) {
            std::string name = "N" + std::to_string(100 + i), text;
            for (int k = pick(5); k > 0; k--) {
                std::string w = word() + (pick(3) ? "" : word());
                text += w + " ";
                model[name].insert(w);
            }
            lib.add(name, text.c_str());
            model[name]; // also with no keywords
        }
        // Some Bookmarks leave again, taking keywords out of the index.
        for (int k = pick(4); k > 0; k--) {
            auto it = model.begin();
            std::advance(it, pick((int) model.size()));
            delete_bookmark(lib.app, find_bookmark_by_url(lib.app, lib.url(it->first).c_str()));
            model.erase(it);
        }
        std::set<std::string> all;
        for (const auto &m : model)
            all.insert(m.second.begin(), m.second.end());

        for (int round = 0; round < 150; round++) {
            std::string text = maker.expr(2);
            uint32_t flags = (uint32_t) pick(8);
            int caret = pick((int) text.size() + 2) - 1;

            ExpNode *tree = parse_exp(text.c_str());
            ASSERT_TRUE(tree) << text;
            std::string expect, hint;
            for (const auto &m : model) // names in sorted order
                if (model_eval(tree, m.second, flags))
                    expect += (expect.empty() ? "" : " ") + m.first;
            model_hint(tree, all, flags, caret, &hint);
            free_exp(tree);
            ASSERT_EQ(expect + "|" + hint, search(lib, text, flags, caret))
                << text << " flags " << flags << " caret " << caret;
        }
    }
}
