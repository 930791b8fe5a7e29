// What the unit tests share.
#include "store_helpers.h"

#include <algorithm>
#include <ctype.h>
#include <set>
#include <string.h>
#include <time.h>

#include "session/appstate.h"
#include "core/dupstr.h"
#include "core/mem.h"
#include "search/keyword_index.h"
#include "store/bookmark.h"
#include "store/bookmark_writer.h"
#include "store/url_index.h"

std::string check_keyword_index(const KeywordIndex *index, const std::vector<Bookmark *> &all)
{
    std::set<std::pair<const Bookmark *, const KeywordEntry *>> in_sets, in_lists;
    const vec *entries = index->entries;
    for (uint32_t i = 0; i < entries->count; i++) {
        const KeywordEntry *e = vec_at<KeywordEntry>(entries, i);
        if (!e->text[0]) return "an entry with empty text";
        if (i && compare_bytes(vec_at<KeywordEntry>(entries, i - 1)->text, e->text) >= 0)
            return std::string("entries out of order at ") + e->text;
        if (e->bookmarks->count == 0) return std::string("empty set kept for ") + e->text;
        for (uint32_t j = 0; j < e->bookmarks->count; j++) {
            if (j && e->bookmarks->items[j - 1] >= e->bookmarks->items[j])
                return std::string("set out of address order for ") + e->text;
            in_sets.insert({vec_at<Bookmark>(e->bookmarks, j), e}); // only Bookmarks of all match
        }
    }
    for (const Bookmark *b : all) {
        const vec *list = b->keywords->entries;
        for (uint32_t j = 0; j < list->count; j++) {
            const KeywordEntry *e = vec_at<KeywordEntry>(list, j);
            if (!in_lists.insert({b, e}).second)
                return std::string("entry twice in one list: ") + e->text;
        }
    }
    if (in_sets != in_lists) return "sets and lists disagree";
    return "";
}

std::string check_app_store(AppState *app)
{
    const vec *list = app->bookmarks;
    std::vector<Bookmark *> all;
    for (uint32_t i = 0; i < list->count; i++) {
        if (i && list->items[i - 1] >= list->items[i]) return "BookmarkList out of address order";
        Bookmark *b = vec_at<Bookmark>(list, i);
        if (!b->url || !b->title || !b->keywords) return "a Bookmark with a null field";
        all.push_back(b);
    }
    std::string fault = check_keyword_index(app->keyword_index, all);
    if (!fault.empty()) return fault;

    std::set<std::string> folded;
    for (Bookmark *b : all) {
        if (!b->url[0]) continue;
        std::string lower = b->url, upper = b->url;
        for (size_t i = 0; i < lower.size(); i++) {
            lower[i] = (char) tolower((unsigned char) lower[i]);
            upper[i] = (char) toupper((unsigned char) upper[i]);
        }
        folded.insert(lower);
        auto first = std::find_if(all.begin(), all.end(),
                                  [&](Bookmark *c) { return compare_nocase(c->url, b->url) == 0; });
        for (const std::string &url : {std::string(b->url), lower, upper})
            if (find_bookmark_by_url(app, url.c_str()) != *first)
                return "find_bookmark_by_url differs from a walk for " + url;
    }
    if (folded.size() != app->url_index->table.count) return "URL index holds stale urls";
    return "";
}

std::string keywords_of(const Bookmark *b)
{
    return taken(keyword_list_text(b->keywords));
}

std::string summary(const Bookmark *b, uint32_t since)
{
    if (!b) return "(null)";
    auto date = [&](uint32_t d) {
        return d == DATE_NONE                                ? "none"
               : d == DATE_FAILED                            ? "failed"
               : d >= since && d <= (uint32_t) time(nullptr) ? "now"
                                                             : std::to_string(d);
    };
    return std::string(b->title) + "|" + keywords_of(b) + "|" + date(b->addDate) + "|" +
           date(b->lastVisit) + "|" + date(b->lastModified);
}

std::string taken(char *text)
{
    std::string s = text ? text : "(null)";
    memFree(text);
    return s;
}

AppState *new_app()
{
    return app_state_create("C:\\tl\\trovelinks.exe");
}

Bookmark *add_to(AppState *app, const char *title, const char *url, const char *keywords,
                 uint32_t addDate, uint32_t lastVisit, uint32_t lastModified, int title_words)
{
    auto copy = [](const char *text) { return text ? dupstr(text) : nullptr; };
    add_bookmark(app, copy(title), copy(url), copy(keywords), addDate, lastVisit, lastModified,
                 title_words);
    return url ? find_bookmark_by_url(app, url) : nullptr;
}

std::string image_of(const vec *v)
{
    return taken(bookmark_file_image(v));
}
