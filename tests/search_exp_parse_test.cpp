// The search expression parser: a table of texts and the trees (or failures)
// they give, a differential test against a brute-force reference parser, and
// deep nesting on a thread with a small stack.
#include <gtest/gtest.h>

#include <random>
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

struct ParseCase {
    const char *text;
    const char *tree;
};

TEST(ExpParser, TermsOffsetsAndFullStops)
{
    const ParseCase cases[] = {
        {"chess", "chess@0"},
        {"  chess", "chess@2"},
        {"ABC123", "ABC123@0"}, // case kept, digits are word bytes
        {"net.", "net.@0"},
        {"net.news.web", "IMP(IMP(net.@0,news.@4),web@9)"},
        {"net.news", "IMP(net.@0,news@4)"},
        {"42.", "42.@0"},
        {"a..b", "IMP(a.@0,b@3)"}, // only the first full stop belongs to the word
        {".a", "a@1"},             // a full stop before a word is skipped
        {"a . b", "IMP(a@0,b@4)"},
        {"x++", "x@0"},
        {"+x -y", "IMP(x@1,y@4)"},
        {"a-b", "IMP(a@0,b@2)"},
        {"[a b]", "IMP(a@1,b@3)"},
        {"a, b", "IMP(a@0,b@3)"},
        {"a_b:c*d\"e", "IMP(IMP(IMP(IMP(a@0,b@2),c@4),d@6),e@8)"},
        {"a\tb\nc\x01"
         "d",
         "IMP(IMP(IMP(a@0,b@2),c@4),d@6)"},
    };
    for (const ParseCase &c : cases)
        EXPECT_EQ(c.tree, parse_shown(c.text)) << "text: " << c.text;
}

TEST(ExpParser, GroupingIsLeftWithEqualPrecedence)
{
    const ParseCase cases[] = {
        {"a | b & c", "AND(OR(a@0,b@4),c@8)"},
        {"a & b | c", "OR(AND(a@0,b@4),c@8)"},
        {"a b | c", "OR(IMP(a@0,b@2),c@6)"},
        {"a b c", "IMP(IMP(a@0,b@2),c@4)"},
        {"a|b|c", "OR(OR(a@0,b@2),c@4)"},
        {"!a b", "IMP(NOT(a@1),b@3)"},
        {"a !b", "IMP(a@0,NOT(b@3))"},
        {"!!a", "NOT(NOT(a@2))"},
        {"a&!b|c", "OR(AND(a@0,NOT(b@3)),c@5)"},
        {"!(a | !a)", "NOT(OR(a@2,NOT(a@7)))"},
        {"(a | b) c", "IMP(OR(a@1,b@5),c@8)"},
        {"((a))", "a@2"},
        {"a | (b c)", "OR(a@0,IMP(b@5,c@7))"},
        {"(a)(b)", "IMP(a@1,b@4)"},
        {"W W W & W | W", "OR(AND(IMP(IMP(W@0,W@2),W@4),W@8),W@12)"},
        {"a & chess", "AND(a@0,chess@4)"},
        {"(a'", "a@1"}, // the apostrophe closes a parenthesis
    };
    for (const ParseCase &c : cases)
        EXPECT_EQ(c.tree, parse_shown(c.text)) << "text: " << c.text;
}

TEST(ExpParser, HighBytesAreWordBytes)
{
    const ParseCase cases[] = {
        {"caf\xc3\xa9 & x", "AND(caf\xc3\xa9@0,x@8)"},
        {"\xd0\x9c\xd0\xbe\xd1\x81\xd0\xba\xd0\xb2\xd0\xb0.", // Москва.
         "\xd0\x9c\xd0\xbe\xd1\x81\xd0\xba\xd0\xb2\xd0\xb0.@0"},
        {"na\xc3\xafve-x", "IMP(na\xc3\xafve@0,x@7)"},
        {"\x80"
         "a \xff",
         "IMP(\x80"
         "a@0,\xff@3)"},
        {"a\x80(", "fail"},
    };
    for (const ParseCase &c : cases)
        EXPECT_EQ(c.tree, parse_shown(c.text)) << "text: " << c.text;
}

TEST(ExpParser, ErrorsFreeEverything)
{
    // Every failure here runs under the leak checker natively: the nodes made
    // before the failing token must all be freed.
    const char *failing[] = {
        "",          "  ",   "--",     "\"",     "& a",     "a &",     "a & & b",
        "a !",       "(a",   "a)",     "a'",     "john's",  "()",      "!",
        "!!",        "|",    "(",      ")",      "a ( b",   "a ! & b", "a)b",
        "chess & (", "(a b", "((a) b", "a | b)", "!(a & b", "a b &",   "(a | (b c) d",
    };
    for (const char *text : failing)
        EXPECT_EQ("fail", parse_shown(text)) << "text: " << text;
}

// ---- Differential test against a brute-force reference ------------------

struct RefToken {
    char kind; // 'w' for a word, else the operator byte: ! & | ( )
    std::string text;
    int offset;
    int exact;
};

// The tokens of text, read straight from the scanner's table.
static std::vector<RefToken> ref_scan(const std::string &text)
{
    std::vector<RefToken> tokens;
    auto word_byte = [](unsigned char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c >= 128;
    };
    size_t i = 0;
    while (i < text.size()) {
        unsigned char c = (unsigned char) text[i];
        if (c == 0) break;
        if (word_byte(c)) {
            size_t j = i;
            while (j < text.size() && word_byte((unsigned char) text[j]))
                j++;
            int exact = j < text.size() && text[j] == '.';
            tokens.push_back({'w', text.substr(i, j - i), (int) i, exact});
            i = j + exact;
            continue;
        }
        if (std::string("!&|()").find((char) c) != std::string::npos)
            tokens.push_back({(char) c, "", (int) i, 0});
        else if (c == '\'')
            tokens.push_back({')', "", (int) i, 0});
        i++;
    }
    return tokens;
}

// Tries every way the grammar could derive each range of tokens, remembering
// the answers. Counts derivations too, so an ambiguity would show.
struct RefParser {
    std::vector<RefToken> t;
    std::vector<int> known;         // per (nonterminal, i, j): derivations, -1 unknown
    std::vector<std::string> trees; // the tree of the first derivation
    bool ambiguous = false;

    size_t key(int nt, size_t i, size_t j) const
    {
        return (nt * (t.size() + 1) + i) * (t.size() + 1) + j;
    }

    // expr (nt 0) or factor (nt 1) over tokens i..j-1: derivation count.
    int derive(int nt, size_t i, size_t j)
    {
        size_t k = key(nt, i, j);
        if (known[k] >= 0) return known[k];
        int count = 0;
        std::string tree;
        auto found = [&](const std::string &s) {
            if (count++ == 0) tree = s;
        };
        if (nt == 1) {
            if (j == i + 1 && t[i].kind == 'w')
                found(t[i].text + (t[i].exact ? "." : "") + "@" + std::to_string(t[i].offset));
            if (j > i + 1 && t[i].kind == '!' && derive(1, i + 1, j))
                found("NOT(" + trees[key(1, i + 1, j)] + ")");
            if (j >= i + 3 && t[i].kind == '(' && t[j - 1].kind == ')' && derive(0, i + 1, j - 1))
                found(trees[key(0, i + 1, j - 1)]);
        } else {
            if (derive(1, i, j)) found(trees[key(1, i, j)]);
            for (size_t m = i + 1; m < j; m++) {
                if (!derive(0, i, m)) continue;
                if ((t[m].kind == '|' || t[m].kind == '&') && m + 1 < j && derive(1, m + 1, j))
                    found(std::string(t[m].kind == '|' ? "OR(" : "AND(") + trees[key(0, i, m)] +
                          "," + trees[key(1, m + 1, j)] + ")");
                if (derive(1, m, j))
                    found("IMP(" + trees[key(0, i, m)] + "," + trees[key(1, m, j)] + ")");
            }
        }
        if (count > 1) ambiguous = true;
        known[k] = count;
        trees[k] = tree;
        return count;
    }
};

static std::string ref_parse(const std::string &text, bool *ambiguous)
{
    RefParser p;
    p.t = ref_scan(text);
    size_t n = p.t.size() + 1;
    p.known.assign(2 * n * n, -1);
    p.trees.assign(2 * n * n, "");
    std::string tree =
        p.t.empty() || !p.derive(0, 0, p.t.size()) ? "fail" : p.trees[p.key(0, 0, p.t.size())];
    *ambiguous = p.ambiguous;
    return tree;
}

// A random text built from tokens, separators and junk, with nesting up to
// max_depth; valid set builds it from the grammar (with random spacing).
struct TextMaker {
    std::mt19937 rng;
    int pick(int n) { return (int) (rng() % (unsigned) n); }

    std::string space()
    {
        static const char *fill[] = {"",  "",  "",   " ", "  ", "\t", "-",
                                     ",", "+", "\"", "_", "*",  "."};
        return fill[pick(13)];
    }

    std::string word()
    {
        static const char *words[] = {"a", "b", "Chess", "x1", "net", "W", "9", "ab"};
        return std::string(words[pick(8)]) + (pick(4) == 0 ? "." : "");
    }

    std::string valid_expr(int depth)
    {
        std::string s = valid_factor(depth);
        int more = pick(4);
        for (int k = 0; k < more; k++) {
            static const char *ops[] = {" ", "|", "&", " | ", " & "};
            std::string op = ops[pick(5)];
            // Two words side by side need something between them.
            s += op == " " ? " " : space() + op + space();
            s += valid_factor(depth);
        }
        return s;
    }

    std::string valid_factor(int depth)
    {
        int r = depth > 0 ? pick(6) : 0;
        if (r <= 2) return word();
        if (r == 3) return "!" + space() + valid_factor(depth - 1);
        return std::string("(") + space() + valid_expr(depth - 1) + space() + (pick(5) ? ")" : "'");
    }

    std::string junk(int length)
    {
        static const std::string bytes = "ab! &|()'.-\"\t\x01Z9";
        std::string s;
        for (int k = 0; k < length; k++)
            s += pick(40) == 0 ? (char) (128 + pick(128)) : bytes[pick((int) bytes.size())];
        return s;
    }

    // A valid expression with one byte changed, inserted or removed.
    std::string mutate(std::string s)
    {
        static const std::string bytes = "a! &|()'.";
        size_t at = s.empty() ? 0 : (size_t) pick((int) s.size());
        switch (pick(3)) {
        case 0:
            if (!s.empty()) s[at] = bytes[pick((int) bytes.size())];
            break;
        case 1: s.insert(at, 1, bytes[pick((int) bytes.size())]); break;
        default:
            if (!s.empty()) s.erase(at, 1);
        }
        return s;
    }
};

TEST(ExpParser, AgreesWithBruteForceReference)
{
    TextMaker maker{std::mt19937(20240501)};
    int accepted = 0, rejected = 0;
    for (int round = 0; round < 6000; round++) {
        std::string text;
        switch (round % 4) {
        case 0: text = maker.valid_expr(3); break;
        case 1: text = maker.mutate(maker.valid_expr(4)); break;
        case 2: text = maker.junk(1 + maker.pick(16)); break;
        default: {
            // Deep nesting: a run of ! and ( around a valid core, closed or not.
            int depth = 1 + maker.pick(30);
            std::string open, close;
            for (int k = 0; k < depth; k++) {
                if (maker.pick(2)) {
                    open += "(";
                    close = (maker.pick(8) ? ")" : "") + close;
                } else {
                    open += "!";
                }
            }
            text = open + maker.valid_expr(1) + close;
        }
        }
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

struct DepthRun {
    int parsed; // -1: the thread did not finish
    int depth;  // the tree's depth along left links from the root
};

static DepthRun run_small(const std::string &text)
{
    DepthRun run = {-1, 0};
    EXPECT_TRUE(on_small_stack([&] {
        ExpNode *tree = parse_exp(text.c_str());
        run.parsed = tree != nullptr;
        for (ExpNode *n = tree; n; n = n->type == EXP_TERM ? nullptr : n->left)
            run.depth++;
        free_exp(tree);
    }));
    return run;
}

static std::string repeat(const char *piece, int n)
{
    std::string s;
    for (int k = 0; k < n; k++)
        s += piece;
    return s;
}

TEST(ExpParser, DeepNestingOnSmallStack)
{
    DepthRun r = run_small(repeat("(", 9000) + "a" + repeat(")", 9000));
    EXPECT_EQ(1, r.parsed);
    EXPECT_EQ(1, r.depth);

    // A pending ( or ! takes one stack entry besides the few of the rest, so
    // the last depths that fit are 9997 parentheses and 9998 NOTs.
    EXPECT_EQ(1, run_small(repeat("(", 9997) + "a" + repeat(")", 9997)).parsed);
    EXPECT_EQ(0, run_small(repeat("(", 9998) + "a" + repeat(")", 9998)).parsed);
    r = run_small(repeat("!", 9998) + "a");
    EXPECT_EQ(1, r.parsed);
    EXPECT_EQ(9999, r.depth);
    EXPECT_EQ(0, run_small(repeat("!", 9999) + "a").parsed);

    EXPECT_EQ(0, run_small(repeat("!", 100000) + "a").parsed);
    EXPECT_EQ(0, run_small(repeat("(", 100000)).parsed);

    // Left grouping needs no stack in the parser, but builds a tree as deep as
    // the expression is long; freeing it must not recurse.
    r = run_small(repeat("a ", 200000));
    EXPECT_EQ(1, r.parsed);
    EXPECT_EQ(200000, r.depth);
    r = run_small(repeat("(", 5000) + repeat("a | ", 100000) + "b" + repeat(")", 5000));
    EXPECT_EQ(1, r.parsed);
    EXPECT_EQ(100001, r.depth);
}
