// The search expression parser: a table of texts and the trees (or failures)
// they give, a differential test against a brute-force reference parser, and
// deep nesting on a thread with a small stack.
#include <gtest/gtest.h>

#include <random>
#include <string.h>
#include <string>
#include <vector>

#include "helpers/store_helpers.h"
#include "search/exp_parser.h"

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

// Scanner rules the random texts below do not reach (separators, offsets,
// full stops, bytes beyond ASCII), and failures.
TEST(ExpParser, ChosenTexts)
{
    const struct {
        const char *text, *tree;
    } cases[] = {
        {"  chess", "chess@2"},
        {"net.news.web", "IMP(IMP(net.@0,news.@4),web@9)"},
        {"a..b", "IMP(a.@0,b@3)"}, // only the first full stop belongs to the word
        {"a_b:c*d\"e,f[g]\n\x01h",
         "IMP(IMP(IMP(IMP(IMP(IMP(IMP(a@0,b@2),c@4),d@6),e@8),f@10),g@12),h@16)"},
        {"na\xc3\xafve-x.", "IMP(na\xc3\xafve@0,x.@7)"},
        {"\x80"
         "a \xff",
         "IMP(\x80"
         "a@0,\xff@3)"},
        // Every failure runs under the leak checker natively: the nodes made
        // before the failing token must all be freed.
        {"", "fail"},
        {"a\x80(", "fail"},
        {"john's", "fail"},
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

// ---- Depth on a small stack ---------------------------------------------

// Whether text parses on a thread with a small stack, and the tree's depth
// along left links from the root.
static std::pair<bool, int> parsed_small(const std::string &text)
{
    std::pair<bool, int> run = {false, 0};
    EXPECT_TRUE(on_small_stack([&] {
        ExpNode *tree = parse_exp(text.c_str());
        run.first = tree != nullptr;
        for (ExpNode *n = tree; n; n = n->type == EXP_TERM ? nullptr : n->left)
            run.second++;
        free_exp(tree);
    }));
    return run;
}

TEST(ExpParser, DeepNestingOnSmallStack)
{
    // A pending ( or ! takes one stack entry besides the few of the rest, so
    // the last depths that fit are 9997 parentheses and 9998 NOTs. Left
    // grouping needs no stack in the parser, but builds a tree as deep as the
    // expression is long; freeing it must not recurse.
    auto repeat = [](const char *piece, int n) {
        std::string s;
        while (n--)
            s += piece;
        return s;
    };
    const struct {
        std::string text;
        bool parsed;
        int depth;
    } cases[] = {
        {repeat("(", 9997) + "a" + repeat(")", 9997), true, 1},
        {repeat("(", 9998) + "a" + repeat(")", 9998), false, 0},
        {repeat("!", 9998) + "a", true, 9999},
        {repeat("!", 9999) + "a", false, 0},
        {repeat("(", 100000), false, 0},
        {repeat("a ", 200000), true, 200000},
        {repeat("(", 5000) + repeat("a | ", 100000) + "b" + repeat(")", 5000), true, 100001},
    };
    for (const auto &c : cases)
        EXPECT_EQ(std::make_pair(c.parsed, c.depth), parsed_small(c.text)) << c.text.substr(0, 8);
}
