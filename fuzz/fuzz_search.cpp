// Fuzz target: the search expression parser and the search. The first two
// bytes choose the flags and the caret, the rest is the expression, searched
// over a small fixed library. Checks that every term of a tree is a word of
// the text at its offset and that every result is a set within the library.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "session/appstate.h"
#include "core/dupstr.h"
#include "core/mem.h"
#include "search/search_eval.h"
#include "store/bookmark.h"

static AppState *library(void)
{
    static AppState *app;
    if (app) return app;
    app = app_state_create("/fuzz/trovelinks");
    static const char *keywords[] = {
        "chess openings",
        "chessboard",
        "Chess",
        "cooking",
        "a b c",
        "net news network",
        "Chip chair",
        "x1 X1 x12",
        "web",
        "",
        // letters beyond ASCII in both cases, stray bytes, a three-byte dash
        "caf\xc3\xa9 CAF\xc3\x89 M\xc3\xbcller",
        "\xd0\x9c\xd0\x9e\xd0\xa1 \xd0\xbc\xd0\xbe\xd1\x81",
        "\xce\xa3\xce\xbf\xcf\x86 \xcf\x83 \xc5\xb8 \xc3\xbf",
        "\xc3 \xe9t\xe9 \xe2\x80\x93 \xf0\x9f\x98\x80",
    };
    char url[32];
    for (unsigned i = 0; i < sizeof keywords / sizeof *keywords; i++) {
        snprintf(url, sizeof url, "http://b%u/", i);
        add_bookmark(app, dupstr("t"), dupstr(url), dupstr(keywords[i]), DATE_NONE, DATE_NONE,
                     DATE_NONE, 0);
    }
    return app;
}

static bool word_byte(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           (unsigned char) c >= 128;
}

// Walks the tree without recursion (the tree may be deep) and checks terms.
static void check_tree(const ExpNode *root, const char *text, size_t length)
{
    vec *pending = vec_create();
    vec_append(pending, root);
    while (pending->count) {
        const ExpNode *n = vec_at<const ExpNode>(pending, --pending->count);
        if (n->type == EXP_TERM) {
            size_t len = strlen(n->text);
            if (len == 0 || n->offset < 0 || (size_t) n->offset + len + n->exact > length)
                __builtin_trap();
            if (memcmp(text + n->offset, n->text, len) != 0) __builtin_trap();
            for (size_t i = 0; i < len; i++)
                if (!word_byte(n->text[i])) __builtin_trap();
            if (n->exact != (text[n->offset + len] == '.')) __builtin_trap();
        } else {
            if (n->type != EXP_OPERATOR || n->op < EXP_AND || n->op > EXP_IMPLIED || !n->left)
                __builtin_trap();
            if ((n->op == EXP_NOT) != (n->right == nullptr)) __builtin_trap();
            vec_append(pending, n->left);
            if (n->right) vec_append(pending, n->right);
        }
    }
    vec_destroy(pending);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2) return 0;
    AppState *app = library();
    size_t length = size - 2;
    char *text = (char *) memAlloc(length + 1);
    memcpy(text, data + 2, length);
    text[length] = 0;
    length = strlen(text);

    ExpNode *tree = parse_exp(text);
    if (tree) check_tree(tree, text, length);
    free_exp(tree);

    SearchContext ctx = {};
    ctx.index = app->keyword_index;
    ctx.all = app->bookmarks;
    ctx.text = text;
    ctx.flags = data[0] & 7;
    ctx.caret = (int32_t) data[1] - 2;
    int ok = search_exp(&ctx);
    if (ok != (tree != nullptr)) __builtin_trap();
    if (ok) {
        vec *kept = set_intersect(ctx.result, app->bookmarks);
        if (kept->count != ctx.result->count) __builtin_trap();
        for (uint32_t i = 1; i < ctx.result->count; i++)
            if (ctx.result->items[i - 1] >= ctx.result->items[i]) __builtin_trap();
        if (ctx.hint && !ctx.hint[0]) __builtin_trap();
        vec_destroy(kept);
        vec_destroy(ctx.result);
        memFree(ctx.hint);
    }
    memFree(text);
    return 0;
}
