// Fuzz target: keyword texts from outside (file entries, imports) through
// the store. The input is cut into lines; each line's first byte picks an
// operation (add with or without title words, inside a bulk add or not;
// delete by url; new keywords by url; new url) and the rest, cut at tabs, gives title,
// url and keyword text. Afterwards the BookmarkList, the keyword index and
// the URL index must agree. Repeated-word removal runs on the raw input too:
// a second pass must change nothing. So does case folding: it keeps the
// length, a second fold changes nothing, and the text folds like its fold.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

#include "session/appstate.h"
#include "core/dupstr.h"
#include "core/mem.h"
#include "core/text_case.h"
#include "search/keyword_index.h"
#include "store/bookmark.h"

static void check(bool ok)
{
    if (!ok) abort();
}

static std::vector<std::string> fields_of(const std::string &line)
{
    std::vector<std::string> f(3);
    size_t k = 0;
    for (char c : line) {
        if (c == '\t' && k < 2)
            k++;
        else
            f[k] += c;
    }
    return f;
}

static void check_store(AppState *app)
{
    const vec *list = app->bookmarks;
    for (uint32_t i = 1; i < list->count; i++)
        check(list->items[i - 1] < list->items[i]);
    uint32_t in_lists = 0;
    for (uint32_t i = 0; i < list->count; i++) {
        Bookmark *b = vec_at<Bookmark>(list, i);
        const vec *kw = b->keywords->entries;
        in_lists += kw->count;
        for (uint32_t j = 0; j < kw->count; j++) {
            const KeywordEntry *e = vec_at<KeywordEntry>(kw, j);
            uint32_t pos;
            check(vecs_search(e->bookmarks, b, &pos, nullptr) == 1);
        }
        if (b->url[0]) {
            Bookmark *first = nullptr;
            for (uint32_t j = 0; j < list->count && !first; j++)
                if (compare_nocase(vec_at<Bookmark>(list, j)->url, b->url) == 0)
                    first = vec_at<Bookmark>(list, j);
            check(find_bookmark_by_url(app, b->url) == first);
        }
    }
    const vec *entries = app->keyword_index->entries;
    uint32_t in_sets = 0;
    for (uint32_t i = 0; i < entries->count; i++) {
        const KeywordEntry *e = vec_at<KeywordEntry>(entries, i);
        check(e->text[0] != 0 && e->bookmarks->count > 0);
        if (i) check(compare_bytes(vec_at<KeywordEntry>(entries, i - 1)->text, e->text) < 0);
        in_sets += e->bookmarks->count;
    }
    check(in_sets == in_lists);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string input((const char *) data, size);
    for (char &c : input)
        if (c == 0) c = ' ';

    {
        std::string folded = input;
        fold_text(&folded[0], input.c_str());
        check(strlen(folded.c_str()) == strlen(input.c_str()));
        std::string twice = folded;
        fold_text(&twice[0], folded.c_str());
        check(twice == folded);
        size_t n = strlen(input.c_str());
        check(folded_starts_with(input.c_str(), folded.c_str(), n));
        check(fold_equal(input.c_str(), folded.c_str(), n));
    }
    for (int case_sensitive = 0; case_sensitive < 2; case_sensitive++) {
        char *text = dupstr(input.c_str());
        remove_repeated_words(text, case_sensitive);
        std::string once = text;
        remove_repeated_words(text, case_sensitive);
        check(once == text);
        memFree(text);
    }

    AppState *app = app_state_create("fuzz.exe");
    size_t start = 0;
    while (start < input.size()) {
        size_t end = input.find('\n', start);
        if (end == std::string::npos) end = input.size();
        std::string line = input.substr(start, end - start);
        start = end + 1;
        if (line.empty()) continue;
        uint8_t op = (uint8_t) line[0];
        std::vector<std::string> f = fields_of(line.substr(1));
        switch (op % 6) {
        case 0:
        case 1:
            add_bookmark(app, dupstr(f[0].c_str()), dupstr(f[1].c_str()),
                         f[2].empty() ? nullptr : dupstr(f[2].c_str()), op, op * 7u, op * 13u,
                         op % 2);
            break;
        case 2:
            if (app->bulk_depth)
                bookmark_bulk_end(app);
            else
                bookmark_bulk_begin(app);
            break;
        case 3:
        case 4: {
            Bookmark *b = find_bookmark_by_url(app, f[1].c_str());
            if (b && op % 6 == 3) delete_bookmark(app, b);
            if (b && op % 6 == 4)
                b->keywords = set_keywords(app->keyword_index, b, f[2].c_str(), b->keywords);
            break;
        }
        default: {
            Bookmark *b = find_bookmark_by_url(app, f[0].c_str());
            if (b) set_bookmark_url(app, b, dupstr(f[1].c_str()));
        }
        }
    }
    while (app->bulk_depth)
        bookmark_bulk_end(app);
    check_store(app);
    app_state_destroy(app);
    return 0;
}
