// Copying a text to the Windows clipboard.
#include <string.h>

#include "app/shell.h"

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
