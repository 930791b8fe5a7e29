// The search expression language: the scanner and the parser that turn the
// text of the filter box into a tree of ExpNode records, or report that the
// text is not a valid expression. Evaluation is in search/search_eval.h.
#ifndef TL_SEARCH_EXP_PARSER_H
#define TL_SEARCH_EXP_PARSER_H

#include <stdint.h>

// Node types.
const int32_t EXP_OPERATOR = 0;
const int32_t EXP_TERM = 1;

// Operators of an operator node.
const int32_t EXP_AND = 0;     // a & b
const int32_t EXP_OR = 1;      // a | b
const int32_t EXP_NOT = 2;     // !a (right is null)
const int32_t EXP_IMPLIED = 3; // a b: AND or OR, as the search decides

// One node of an expression tree. Operator and term nodes share the layout:
// the last three fields mean different things for the two kinds.
struct ExpNode {
    ExpNode *next; // chain of every node of one parse, newest first (frees a failed parse)
    int32_t type;  // EXP_OPERATOR or EXP_TERM
    union {
        int32_t op;    // operator: EXP_AND, EXP_OR, EXP_NOT or EXP_IMPLIED
        int32_t exact; // term: 1 when written with a trailing full stop
    };
    union {
        ExpNode *left;  // operator: first operand (the only one of NOT)
        int32_t offset; // term: byte position of the word in the text
    };
    union {
        ExpNode *right; // operator: second operand, null for NOT
        char *text;     // term: heap copy of the word without the full stop
    };
};

// Tokens of the scanner.
enum ExpToken {
    EXP_TOK_END,    // end of text
    EXP_TOK_WORD,   // a run of word bytes (is_word_byte), maybe with one full stop
    EXP_TOK_NOT,    // !
    EXP_TOK_AND,    // &
    EXP_TOK_OR,     // |
    EXP_TOK_LPAREN, // (
    EXP_TOK_RPAREN, // ) or '
};

// The scanner's state during one parse.
struct ExpLexer {
    ExpNode *root;          // the finished tree
    ExpNode *nodes;         // every node created so far, newest first
    const char *start;      // the expression text
    const char *cur;        // scan position
    const char *tokenStart; // where the last token began
};

// The next token from lexer->cur; sets tokenStart to its first byte and cur
// past it. After EXP_TOK_END the position is past the ending byte and must
// not be scanned further.
ExpToken lex_exp(ExpLexer *lexer);

// The tree of text, which the caller frees with free_exp; null when text is
// not a valid expression (nothing stays allocated then). Expressions nested
// beyond the parser's stack of PARSE_STACK_MAX entries fail too.
ExpNode *parse_exp(const char *text);

// Frees a tree from its root (null is ignored). Works without recursion, so a
// tree of any depth can be freed.
void free_exp(ExpNode *root);

// The parser's state stack starts with room for 200 entries and doubles up to
// this many; an expression that needs more fails.
const uint32_t PARSE_STACK_MAX = 10000;

#endif
