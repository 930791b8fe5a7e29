// The search expression parser: an LALR(1) parser driven by tables built by
// hand from the grammar below, over the scanner lex_exp.
//
// Scanner. Bytes 1 to 127 that are not listed here are skipped.
//
//   end     the zero byte
//   NOT     !          AND  &          OR  |
//   LPAREN  (          RPAREN  ) and the apostrophe '
//   WORD    a run of word bytes (is_word_byte: ASCII letters and digits and
//           every byte of 128 or more, so the words are those the keyword
//           splitter cuts); a full stop directly after the run belongs to
//           the word and makes it exact
//
// Grammar. The three binary forms have equal precedence and group to the
// left; NOT applies to the one factor that follows it.
//
//   1  query  = expr end
//   2  expr   = factor
//   3  expr   = expr OR factor            OR(expr, factor)
//   4  expr   = expr AND factor           AND(expr, factor)
//   5  expr   = expr factor               IMPLIED(expr, factor)
//   6  factor = WORD                      term node
//   7  factor = NOT factor                NOT(factor)
//   8  factor = LPAREN expr RPAREN        the expr's own tree
//
// So "a | b & c" is AND(OR(a, b), c) and "!a b" is IMPLIED(NOT(a), b).
//
// Automaton (LR(0) item sets; every conflict-free, so the LALR(1) tables
// need no lookahead in the reducing states):
//
//   0  query = . expr end; expr = . factor | . expr OR factor | ...
//   1  query = expr . end; expr = expr . OR factor | expr . AND factor
//                          | expr . factor
//   2  expr = factor .                    reduce 2
//   3  factor = WORD .                    reduce 6
//   4  factor = NOT . factor
//   5  factor = LPAREN . expr RPAREN
//   6  expr = expr OR . factor
//   7  expr = expr AND . factor
//   8  expr = expr factor .               reduce 5
//   9  factor = NOT factor .              reduce 7
//  10  factor = LPAREN expr . RPAREN; expr = expr . OR factor | ...
//  11  expr = expr OR factor .            reduce 3
//  12  expr = expr AND factor .           reduce 4
//  13  factor = LPAREN expr RPAREN .      reduce 8
//
// Reducing states reduce without reading the next token, so a word's term
// node is made before the scanner moves on. The first token that has no
// action in the current state ends the parse with failure. The state stack
// holds at most PARSE_STACK_MAX entries: each pending NOT or LPAREN takes
// one, so expressions nested some ten thousand deep fail as well.
#include "search/exp_parser.h"

#include <string.h>

#include "core/mem.h"
#include "core/text_case.h"

ExpToken lex_exp(ExpLexer *lexer)
{
    for (;;) {
        lexer->tokenStart = lexer->cur;
        unsigned char c = (unsigned char) *lexer->cur;
        // The end stays where it is, so that scanning again gives the end
        // again instead of reading past the text.
        if (c == 0) return EXP_TOK_END;
        lexer->cur++;
        switch (c) {
        case '!': return EXP_TOK_NOT;
        case '&': return EXP_TOK_AND;
        case '|': return EXP_TOK_OR;
        case '(': return EXP_TOK_LPAREN;
        case ')':
        case '\'': return EXP_TOK_RPAREN;
        }
        if (is_word_byte(c)) {
            while (is_word_byte((unsigned char) *lexer->cur))
                lexer->cur++;
            if (*lexer->cur == '.') lexer->cur++;
            return EXP_TOK_WORD;
        }
    }
}

// ---- Tables ----------------------------------------------------------------

const int STATE_COUNT = 14;
const int TOKEN_COUNT = 7;

// Action of a state on a token: 0 error, ACCEPT, a positive state to shift
// to. Reducing states have a rule in default_rule instead.
const int8_t ACCEPT = -1;

static const int8_t action_table[STATE_COUNT][TOKEN_COUNT] = {
    // end     WORD NOT AND OR LPAREN RPAREN
    {0, 3, 4, 0, 0, 5, 0},      // 0
    {ACCEPT, 3, 4, 7, 6, 5, 0}, // 1
    {0},                        // 2
    {0},                        // 3
    {0, 3, 4, 0, 0, 5, 0},      // 4
    {0, 3, 4, 0, 0, 5, 0},      // 5
    {0, 3, 4, 0, 0, 5, 0},      // 6
    {0, 3, 4, 0, 0, 5, 0},      // 7
    {0},                        // 8
    {0},                        // 9
    {0, 3, 4, 7, 6, 5, 13},     // 10
    {0},                        // 11
    {0},                        // 12
    {0},                        // 13
};

// The rule a state reduces by without looking ahead, or 0.
static const int8_t default_rule[STATE_COUNT] = {0, 0, 2, 6, 0, 0, 0, 0, 5, 7, 0, 3, 4, 8};

enum Nonterminal { NT_EXPR, NT_FACTOR };

struct Rule {
    Nonterminal lhs;
    int length; // symbols on the right-hand side
};

static const Rule rules[9] = {
    {NT_EXPR, 0},   // unused
    {NT_EXPR, 0},   // 1 query: accepted, never reduced
    {NT_EXPR, 1},   // 2 expr = factor
    {NT_EXPR, 3},   // 3 expr = expr OR factor
    {NT_EXPR, 3},   // 4 expr = expr AND factor
    {NT_EXPR, 2},   // 5 expr = expr factor
    {NT_FACTOR, 1}, // 6 factor = WORD
    {NT_FACTOR, 2}, // 7 factor = NOT factor
    {NT_FACTOR, 3}, // 8 factor = LPAREN expr RPAREN
};

// The state after a reduction to a nonterminal, from the state uncovered;
// 0 where none exists.
static const int8_t goto_table[STATE_COUNT][2] = {
    {1, 2},  // 0
    {0, 8},  // 1
    {0, 0},  // 2
    {0, 0},  // 3
    {0, 9},  // 4
    {10, 2}, // 5
    {0, 11}, // 6
    {0, 12}, // 7
    {0, 0},  // 8
    {0, 0},  // 9
    {0, 8},  // 10
    {0, 0},  // 11
    {0, 0},  // 12
    {0, 0},  // 13
};

// ---- Parser ----------------------------------------------------------------

const uint32_t PARSE_STACK_INITIAL = 200;

// The parser's stack: one state and the tree built for it (null for tokens
// other than words) per entry.
struct ParseStack {
    uint8_t *states;
    ExpNode **values;
    uint32_t count;
    uint32_t capacity;
};

// Pushes an entry, growing the stack by doubling up to PARSE_STACK_MAX.
// 0 when the stack is full.
static int stack_push(ParseStack *s, int state, ExpNode *value)
{
    if (s->count == s->capacity) {
        if (s->capacity >= PARSE_STACK_MAX) return 0;
        uint32_t capacity = s->capacity * 2;
        if (capacity > PARSE_STACK_MAX) capacity = PARSE_STACK_MAX;
        s->states = (uint8_t *) memRealloc(s->states, capacity);
        s->values = (ExpNode **) memRealloc(s->values, capacity * sizeof(ExpNode *));
        s->capacity = capacity;
    }
    s->states[s->count] = (uint8_t) state;
    s->values[s->count] = value;
    s->count++;
    return 1;
}

static ExpNode *new_node(ExpLexer *lexer, int32_t type)
{
    ExpNode *n = (ExpNode *) memAlloc(sizeof(ExpNode));
    memset(n, 0, sizeof *n);
    n->type = type;
    n->next = lexer->nodes;
    lexer->nodes = n;
    return n;
}

static ExpNode *new_operator(ExpLexer *lexer, int32_t op, ExpNode *left, ExpNode *right)
{
    ExpNode *n = new_node(lexer, EXP_OPERATOR);
    n->op = op;
    n->left = left;
    n->right = right;
    return n;
}

// The term node of the word token just scanned.
static ExpNode *new_term(ExpLexer *lexer)
{
    ExpNode *n = new_node(lexer, EXP_TERM);
    size_t length = (size_t) (lexer->cur - lexer->tokenStart);
    if (lexer->cur[-1] == '.') {
        n->exact = 1;
        length--;
    }
    n->offset = (int32_t) (lexer->tokenStart - lexer->start);
    n->text = (char *) memAlloc(length + 1);
    memcpy(n->text, lexer->tokenStart, length);
    n->text[length] = 0;
    return n;
}

// The tree that a reduction by rule builds from the values of its symbols.
static ExpNode *reduce_value(ExpLexer *lexer, int rule, ExpNode **v)
{
    switch (rule) {
    case 3: return new_operator(lexer, EXP_OR, v[0], v[2]);
    case 4: return new_operator(lexer, EXP_AND, v[0], v[2]);
    case 5: return new_operator(lexer, EXP_IMPLIED, v[0], v[1]);
    case 7: return new_operator(lexer, EXP_NOT, v[1], nullptr);
    case 8: return v[1];
    default: return v[0]; // 2 and 6 pass their one value on
    }
}

// Runs the automaton; 1 with lexer->root set on success, 0 on failure.
static int run_parser(ExpLexer *lexer, ParseStack *stack)
{
    if (!stack_push(stack, 0, nullptr)) return 0;
    for (;;) {
        int state = stack->states[stack->count - 1];
        int rule = default_rule[state];
        if (rule) {
            stack->count -= rules[rule].length;
            ExpNode *value = reduce_value(lexer, rule, stack->values + stack->count);
            int uncovered = stack->states[stack->count - 1];
            // Never fails: the reduction freed at least one entry.
            stack_push(stack, goto_table[uncovered][rules[rule].lhs], value);
            continue;
        }
        ExpToken token = lex_exp(lexer);
        int action = action_table[state][token];
        if (action == ACCEPT) {
            lexer->root = stack->values[stack->count - 1];
            return 1;
        }
        if (action == 0) return 0;
        ExpNode *value = token == EXP_TOK_WORD ? new_term(lexer) : nullptr;
        if (!stack_push(stack, action, value)) return 0;
    }
}

ExpNode *parse_exp(const char *text)
{
    ExpLexer lexer;
    lexer.root = nullptr;
    lexer.nodes = nullptr;
    lexer.start = lexer.cur = lexer.tokenStart = text;

    ParseStack stack;
    stack.count = 0;
    stack.capacity = PARSE_STACK_INITIAL;
    stack.states = (uint8_t *) memAlloc(stack.capacity);
    stack.values = (ExpNode **) memAlloc(stack.capacity * sizeof(ExpNode *));

    int ok = run_parser(&lexer, &stack);
    memFree(stack.states);
    memFree(stack.values);
    if (ok) return lexer.root;

    for (ExpNode *n = lexer.nodes; n;) {
        ExpNode *next = n->next;
        if (n->type == EXP_TERM) memFree(n->text);
        memFree(n);
        n = next;
    }
    return nullptr;
}

void free_exp(ExpNode *root)
{
    // The nodes waiting to be freed are chained through their next fields,
    // which a finished tree no longer needs: no recursion, no extra memory.
    if (!root) return;
    root->next = nullptr;
    ExpNode *pending = root;
    while (pending) {
        ExpNode *n = pending;
        pending = n->next;
        if (n->type == EXP_TERM) {
            memFree(n->text);
        } else {
            if (n->right) {
                n->right->next = pending;
                pending = n->right;
            }
            if (n->left) {
                n->left->next = pending;
                pending = n->left;
            }
        }
        memFree(n);
    }
}
