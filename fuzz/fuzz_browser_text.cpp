// Fuzz target: the texts the browser link reads from other programs. The
// input is a window-information reply exactly as long as the data (no zero
// byte after it, so a read past its end is seen), then the same bytes as a
// zero-terminated clipboard text and browser window title. Checks what the
// callers rely on: no outputs without a page, a reported URL of at most
// 1,023 characters when it stands alone, a window title of at most 255.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <string>

#include "core/mem.h"
#include "session/browser_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const char *reply = (const char *) data;
    for (int iexplore = 0; iexplore < 2; iexplore++) {
        char *url = nullptr, *title = nullptr;
        int found = reply_page(reply, size, iexplore, &url, &title);
        if (found == REPLY_NONE && (url || title)) __builtin_trap();
        if (found != REPLY_NONE && !url) __builtin_trap();
        if (found == REPLY_URL_ONLY && (title || strlen(url) > 1023)) __builtin_trap();
        memFree(url);
        memFree(title);
    }
    char window_title[256];
    int reported = reply_window_title(reply, size, window_title);
    if (strlen(window_title) > 255 || (reported != 0) != (window_title[0] != 0)) __builtin_trap();

    std::string text(reply, size);
    memFree(single_url_in(text.c_str()));
    memFree(ie_frame_page_title(text.c_str()));
    return 0;
}
