// The texts the browser link reads from other programs: the web browser's
// report about its window, and a URL on the clipboard. The answer to the
// window-information request is a row of quoted fields:
//
//     "URL","Title"            Internet Explorer
//     "URL","Netscape - [Title]"   Netscape and the browsers driven like it
//
// The separator is the three characters double quote, comma, double quote.
// Replies come from another program: every function here reads at most size
// bytes (and stops at a zero byte before that), whatever the reply holds.
// Nothing here touches the window system, so the rules can be tested as data.
#ifndef TL_SESSION_BROWSER_TEXT_H
#define TL_SESSION_BROWSER_TEXT_H

#include <stddef.h>

// What reply_page found.
enum {
    REPLY_NONE = 0,     // not a reply of quoted fields: both outputs null
    REPLY_PAGE = 1,     // *url and *title set
    REPLY_URL_ONLY = 2, // no separator: *url set from the first field alone, *title
                        // null (the caller takes the title from the browser's window)
};

// The page of a window-information reply. iexplore selects Internet
// Explorer's reading of the title (the second field up to its closing quote
// or the end); any other browser's title is the text after the first "["
// of the second field less the reply's last two characters (the "]" and the
// closing quote), or the whole second field without its quotes when it has
// no "[". Without a separator the URL is the first field (at most 1023
// characters) and needs its closing quote. The texts are new heap texts that
// the caller frees with memFree.
int reply_page(const char *reply, size_t size, int iexplore, char **url, char **title);

// The window title that a reply reports: its second field as it stands (up
// to its closing quote or the end of the reply), cut to 255 characters, into
// out (256 bytes). 1 when the reply has a non-empty second field, else 0
// with out empty.
int reply_window_title(const char *reply, size_t size, char *out);

// The page title in the text of Internet Explorer's main window: the text
// before " - Microsoft Internet Explorer". A new heap text, or null when the
// window text does not contain that.
char *ie_frame_page_title(const char *window_text);

// The URL in text: text trimmed of white space, when that is one "http:",
// "https:", "ftp:" or "file:" URL (scheme in any case, something after it)
// with no white space inside. A new heap text (memFree), or null.
char *single_url_in(const char *text);

#endif
