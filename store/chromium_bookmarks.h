// The bookmark store of the Chromium family of browsers: a JSON file named
// "Bookmarks" in each profile folder. What is read of it:
//   { "roots": { "<root name>": node, ... }, ... }
//   node = { "type": "folder", "children": [ node, ... ], ... }
//        | { "type": "url", "name": "...", "url": "...",
//            "date_added": "<microseconds since 1601-01-01 UTC>", ... }
// Every url node anywhere under "roots" is an entry; folders are flattened
// and every other member is ignored. Names arrive as the JSON's text, in
// UTF-8.
#ifndef TL_STORE_CHROMIUM_BOOKMARKS_H
#define TL_STORE_CHROMIUM_BOOKMARKS_H

#include <stdint.h>

struct AppState;

// Whether a zero-terminated text is meant as JSON: its first byte after an
// optional UTF-8 byte-order mark and white space is "{".
int is_json_text(const char *text);

// A date_added value (microseconds since 1601-01-01 UTC) as seconds since
// 1970, or DATE_NONE when it lies outside the times a Bookmark can hold.
uint32_t chromium_time(uint64_t microseconds);

// Parses a zero-terminated Bookmarks text and, only when the whole text is
// well-formed JSON, adds every url entry through add_bookmark: its name as
// title, its url, its date_added as addDate, title words on. An entry whose
// URL is stored already keeps its own visit and modification times (the
// file has none to give). 1 when the text parsed (also when it held no
// "roots"), 0 when it did not; then nothing is added.
int read_chromium_bookmarks(AppState *app, const char *text);

#endif
