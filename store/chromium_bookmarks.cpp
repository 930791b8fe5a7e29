// The Chromium family's Bookmarks file, read through the JSON library's
// event (SAX) interface: no tree of the document is built, only the url
// entries are kept (their texts in one buffer) until the parse has
// succeeded, and then they are added.
#include "store/chromium_bookmarks.h"

#include <string.h>

#include <string>
#include <vector>

#define JSON_NOEXCEPTION // a fault in the library ends the program instead of throwing
#include <nlohmann/json.hpp>

#include "session/appstate.h"
#include "core/dupstr.h"
#include "core/mem.h"
#include "core/vstr.h"
#include "store/bookmark.h"

namespace
{

using json = nlohmann::json;

// The members of a node that matter.
enum Field { OTHER, ROOTS, NAME, URL, TYPE, DATE };

// One open object or array.
struct Frame {
    bool object;   // else an array
    bool inRoots;  // inside the value of the top object's "roots"
    Field field;   // the member whose value comes next (objects)
    bool isUrl;    // "type" was "url"
    uint32_t date; // "date_added", or DATE_NONE
    std::string name, url;
};

// An entry kept until the parse has succeeded: offsets into the text buffer.
struct Kept {
    uint32_t name, url, date;
};

struct Reader {
    std::vector<Frame> frames; // frames[0, depth) are open; the rest keep their buffers
    size_t depth = 0;
    vstr texts; // every kept name and url, each with its zero byte
    std::vector<Kept> kept;

    Frame *top() { return depth ? &frames[depth - 1] : nullptr; }

    // A value was read: the member it belonged to is done.
    bool value()
    {
        if (depth) frames[depth - 1].field = OTHER;
        return true;
    }

    bool open(bool object)
    {
        Frame *parent = top();
        bool inRoots = parent && (parent->inRoots || (depth == 1 && parent->field == ROOTS));
        value();
        if (depth == frames.size()) frames.emplace_back();
        Frame &f = frames[depth++];
        f.object = object;
        f.inRoots = inRoots;
        f.field = OTHER;
        f.isUrl = false;
        f.date = DATE_NONE;
        f.name.clear();
        f.url.clear();
        return true;
    }

    uint32_t keep_text(const std::string &s)
    {
        uint32_t at = texts.length;
        vstrAppendPrimative(&texts, s.data(), (uint32_t) s.size());
        vstrAppendCh(&texts, 0);
        return at;
    }

    bool close()
    {
        Frame &f = frames[--depth];
        if (f.object && f.inRoots && f.isUrl)
            kept.push_back({keep_text(f.name), keep_text(f.url), f.date});
        return true;
    }

    // ---- The library's events -------------------------------------------
    bool null() { return value(); }
    bool boolean(bool) { return value(); }
    bool number_integer(json::number_integer_t n)
    {
        if (n >= 0) return number_unsigned((json::number_unsigned_t) n);
        return value();
    }
    bool number_unsigned(json::number_unsigned_t n)
    {
        Frame *f = top();
        if (f && f->object && f->field == DATE) f->date = chromium_time(n);
        return value();
    }
    bool number_float(json::number_float_t, const json::string_t &) { return value(); }
    bool binary(json::binary_t &) { return value(); }
    bool string(json::string_t &s)
    {
        Frame *f = top();
        if (f && f->object) {
            switch (f->field) {
            case NAME: f->name.swap(s); break;
            case URL: f->url.swap(s); break;
            case TYPE: f->isUrl = s == "url"; break;
            case DATE: f->date = date_text(s); break;
            default: break;
            }
        }
        return value();
    }
    bool key(json::string_t &k)
    {
        Frame *f = top();
        if (k == "name")
            f->field = NAME;
        else if (k == "url")
            f->field = URL;
        else if (k == "type")
            f->field = TYPE;
        else if (k == "date_added")
            f->field = DATE;
        else if (k == "roots" && depth == 1)
            f->field = ROOTS;
        else
            f->field = OTHER;
        return true;
    }
    bool start_object(std::size_t) { return open(true); }
    bool end_object() { return close(); }
    bool start_array(std::size_t) { return open(false); }
    bool end_array() { return close(); }
    bool parse_error(std::size_t, const std::string &, const nlohmann::detail::exception &)
    {
        return false;
    }

    // date_added is written as a text of decimal digits.
    static uint32_t date_text(const std::string &s)
    {
        if (s.empty() || s.size() > 19) return DATE_NONE;
        uint64_t us = 0;
        for (char c : s) {
            if (c < '0' || c > '9') return DATE_NONE;
            us = us * 10 + (uint64_t) (c - '0');
        }
        return chromium_time(us);
    }
};

} // namespace

int is_json_text(const char *text)
{
    const unsigned char *p = (const unsigned char *) text;
    if (p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) p += 3;
    while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n')
        p++;
    return *p == '{';
}

uint32_t chromium_time(uint64_t microseconds)
{
    const uint64_t EPOCH_1970 = 11644473600ull; // seconds from 1601 to 1970
    uint64_t seconds = microseconds / 1000000u;
    if (seconds <= EPOCH_1970 || seconds - EPOCH_1970 >= DATE_CHECKING) return DATE_NONE;
    return (uint32_t) (seconds - EPOCH_1970);
}

int read_chromium_bookmarks(AppState *app, const char *text)
{
    Reader *r = new Reader;
    vstrInit(&r->texts);
    int ok = json::sax_parse(text, r) ? 1 : 0;
    if (ok) {
        bookmark_bulk_begin(app);
        bookmark_bulk_reserve(app, (uint32_t) r->kept.size());
        for (const Kept &k : r->kept) {
            char *url = dupstr(r->texts.data + k.url);
            trim_space(url);
            // A stored entry gives no visit or modification time: 0 raises
            // neither of the stored ones.
            uint32_t times = find_bookmark_by_url(app, url) ? 0 : DATE_NONE;
            add_bookmark(app, dupstr(r->texts.data + k.name), url, nullptr, k.date, times, times,
                         1);
        }
        bookmark_bulk_end(app);
    }
    vstrClear(&r->texts);
    delete r;
    return ok;
}
