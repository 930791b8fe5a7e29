// The Favorites import: the shortcut reader and the folder walk.
//
// The walk remembers the identity of every folder it has entered (device and
// inode, or volume and file index: os_folder_id) and enters none twice, so a
// junction or link that leads back into the tree ends the walk there instead
// of recursing until the path grows too long. Where the system gives folders
// no identity, a depth rule stands in: nothing deeper than
// DEPTH_WITHOUT_IDENTITY levels below the start is walked.
#include "store/favorites.h"

#include <string.h>

#include "session/appstate.h"
#include "core/dupstr.h"
#include "core/mem.h"
#include "core/os.h"
#include "core/vstr.h"
#include "store/bookmark.h"

static const int DEPTH_WITHOUT_IDENTITY = 64;

// Blanks inside a line: white space of the default locale but CR and LF.
static bool is_blank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

static const char *skip_blanks(const char *p, const char *end)
{
    while (p < end && is_blank(*p))
        p++;
    return p;
}

// Whether the bytes [p, end) are word, ignoring ASCII case.
static bool equals_ignoring_case(const char *p, const char *end, const char *word)
{
    size_t n = strlen(word);
    if ((size_t) (end - p) != n) return false;
    for (size_t i = 0; i < n; i++) {
        char a = p[i], b = word[i];
        if (a >= 'a' && a <= 'z') a = (char) (a - 'a' + 'A');
        if (b >= 'a' && b <= 'z') b = (char) (b - 'a' + 'A');
        if (a != b) return false;
    }
    return true;
}

// The value of a URL key in the line [p, end), blanks around it removed, as
// a new heap text; null when the line is no URL key.
static char *url_value(const char *p, const char *end)
{
    p = skip_blanks(p, end);
    if (end - p < 3 || !equals_ignoring_case(p, p + 3, "URL")) return nullptr;
    p = skip_blanks(p + 3, end);
    if (p == end || *p != '=') return nullptr;
    p = skip_blanks(p + 1, end);
    while (end > p && is_blank(end[-1]))
        end--;
    size_t n = (size_t) (end - p);
    char *url = (char *) memAlloc(n + 1);
    memcpy(url, p, n);
    url[n] = 0;
    return url;
}

char *shortcut_url(const char *text)
{
    const char *p = text;
    if ((unsigned char) p[0] == 0xEF && (unsigned char) p[1] == 0xBB &&
        (unsigned char) p[2] == 0xBF)
        p += 3;
    bool in_section = false;
    while (*p) {
        const char *end = p + strcspn(p, "\r\n");
        const char *q = skip_blanks(p, end);
        if (q < end && *q == '[') {
            const char *close = (const char *) memchr(q, ']', (size_t) (end - q));
            in_section = close && equals_ignoring_case(q + 1, close, "InternetShortcut");
            q = close ? close + 1 : end; // what follows the ] counts as a line of its own
        }
        if (in_section) {
            char *url = url_value(q, end);
            if (url) return url;
        }
        p = end;
        if (*p == '\r') p++;
        if (*p == '\n') p++;
    }
    return nullptr;
}

// One walk: the path being built, the folders entered, the file buffer.
struct FavoritesWalk {
    AppState *app;
    vstr path;          // the current folder with a separator, then an entry's name
    OsFolderId *seen;   // the identities of the folders entered, in ascending order
    uint32_t seenCount; // of seen
    uint32_t seenRoom;  // slots allocated at seen
    char text[SHORTCUT_READ_MAX + 1];
};

static int compare_ids(const OsFolderId &a, const OsFolderId &b)
{
    if (a.volume != b.volume) return a.volume < b.volume ? -1 : 1;
    if (a.index != b.index) return a.index < b.index ? -1 : 1;
    return 0;
}

// Notes id as entered: 1, or 0 when it was entered before.
static int enter_once(FavoritesWalk *w, const OsFolderId &id)
{
    uint32_t lo = 0, hi = w->seenCount;
    while (lo < hi) {
        uint32_t mid = lo + (hi - lo) / 2;
        int c = compare_ids(w->seen[mid], id);
        if (c == 0) return 0;
        if (c < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    if (w->seenCount == w->seenRoom) {
        w->seenRoom = w->seenRoom ? w->seenRoom * 2 : 16;
        w->seen = (OsFolderId *) memRealloc(w->seen, w->seenRoom * sizeof(OsFolderId));
    }
    memmove(w->seen + lo + 1, w->seen + lo, (w->seenCount - lo) * sizeof(OsFolderId));
    w->seen[lo] = id;
    w->seenCount++;
    return 1;
}

static void cut_path(vstr *path, uint32_t length)
{
    path->length = length;
    path->data[length] = 0;
}

// The identity of the folder whose path (with its separator) is w->path. A
// separator that is not the path's only one, nor follows a drive's colon,
// is left out for the question.
static int folder_id(FavoritesWalk *w, OsFolderId *id)
{
    uint32_t n = w->path.length;
    char *p = w->path.data;
    if (n < 2 || p[n - 2] == ':' || p[n - 2] == '\\' || p[n - 2] == '/') return os_folder_id(p, id);
    char sep = p[n - 1];
    p[n - 1] = 0;
    int ok = os_folder_id(p, id);
    p[n - 1] = sep;
    return ok;
}

static bool is_shortcut_name(const char *name)
{
    const char *dot = strrchr(name, '.');
    return dot && equals_ignoring_case(dot, dot + strlen(dot), ".url");
}

// Adds the shortcut file whose path is w->path, named name.
static void add_shortcut(FavoritesWalk *w, const char *name)
{
    OsFile f = os_file_open_read(w->path.data);
    if (f == OS_NO_FILE) return;
    size_t got = 0;
    int ok = os_file_read(f, w->text, SHORTCUT_READ_MAX, &got);
    os_file_close(f);
    if (!ok) return;
    w->text[got] = 0;
    char *url = shortcut_url(w->text);
    if (!url) return;
    size_t stem = (size_t) (strrchr(name, '.') - name);
    char *title = (char *) memAlloc(stem + 1);
    memcpy(title, name, stem);
    title[stem] = 0;
    add_bookmark(w->app, title, url, nullptr, DATE_NONE, DATE_NONE, DATE_NONE, 1);
}

// Walks the folder whose path, with its separator, is w->path.
static void walk_folder(FavoritesWalk *w, int depth)
{
    OsFolderId id;
    if (folder_id(w, &id)) {
        if (!enter_once(w, id)) return;
    } else if (depth > DEPTH_WITHOUT_IDENTITY) {
        return;
    }
    OsDir *dir = os_dir_open(w->path.data);
    if (!dir) return;
    uint32_t length = w->path.length;
    OsDirEntry entry;
    while (os_dir_next(dir, &entry)) {
        const char *name = entry.name;
        if (entry.is_folder) {
            if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0) continue;
            vstrAppend(&w->path, name);
            vstrAppendCh(&w->path, OS_PATH_SEPARATOR);
            walk_folder(w, depth + 1);
        } else if (is_shortcut_name(name)) {
            vstrAppend(&w->path, name);
            add_shortcut(w, name);
        }
        cut_path(&w->path, length);
    }
    os_dir_close(dir);
}

void import_favorites(AppState *app, const char *folder)
{
    if (!folder || !*folder) return;
    FavoritesWalk *w = (FavoritesWalk *) memAlloc(sizeof(FavoritesWalk));
    w->app = app;
    vstrInit(&w->path);
    vstrSet(&w->path, folder);
    char last = folder[strlen(folder) - 1];
    if (last != '\\' && last != '/') vstrAppendCh(&w->path, OS_PATH_SEPARATOR);
    w->seen = nullptr;
    w->seenCount = w->seenRoom = 0;
    bookmark_bulk_begin(app); // every shortcut added, sorted into place once
    walk_folder(w, 0);
    bookmark_bulk_end(app);
    vstrClear(&w->path);
    memFree(w->seen);
    memFree(w);
}
