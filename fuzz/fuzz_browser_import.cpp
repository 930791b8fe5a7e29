// Fuzz target: the readers of the browsers' own bookmarks on arbitrary text,
// the shortcut reader and the Chromium-family JSON reader. A shortcut's URL
// never holds a line break nor white space at its ends; a JSON text that
// does not parse adds nothing.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <string>

#include "session/appstate.h"
#include "core/mem.h"
#include "store/chromium_bookmarks.h"
#include "store/favorites.h"

static void check(bool ok)
{
    if (!ok) __builtin_trap();
}

static bool is_white(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string text((const char *) data, size);
    char *url = shortcut_url(text.c_str());
    if (url) {
        size_t n = strlen(url);
        check(!strchr(url, '\r') && !strchr(url, '\n'));
        check(n == 0 || (!is_white(url[0]) && !is_white(url[n - 1])));
        memFree(url);
    }

    AppState *app = app_state_create("trovelinks.exe");
    if (!read_chromium_bookmarks(app, text.c_str())) check(app->bookmarks->count == 0);
    app_state_destroy(app);
    return 0;
}
