// The clipboard: putting a URL on it, and reading a single URL from it.
#include <string.h>

#include "browser/browser.h"
#include "core/mem.h"
#include "session/browser_text.h"

void copy_url_to_clipboard(HWND owner, const char *text)
{
    if (!OpenClipboard(owner)) return;
    EmptyClipboard();
    size_t size = strlen(text) + 1;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (block) {
        void *bytes = GlobalLock(block);
        if (bytes) {
            memcpy(bytes, text, size);
            GlobalUnlock(block);
            // The clipboard owns the block from here on.
            if (!SetClipboardData(CF_TEXT, block)) GlobalFree(block);
        } else {
            GlobalFree(block);
        }
    }
    CloseClipboard();
}

char *clipboard_url(HWND owner)
{
    if (!IsClipboardFormatAvailable(CF_TEXT) || !OpenClipboard(owner)) return nullptr;
    char *url = nullptr;
    HANDLE data = GetClipboardData(CF_TEXT);
    const char *bytes = data ? (const char *) GlobalLock(data) : nullptr;
    if (bytes) {
        // Another program's block: its text need not end within it.
        size_t size = GlobalSize(data), n = strnlen(bytes, size);
        char *text = (char *) memAlloc(n + 1);
        memcpy(text, bytes, n);
        text[n] = 0;
        GlobalUnlock(data);
        url = single_url_in(text);
        memFree(text);
    }
    CloseClipboard();
    return url;
}
