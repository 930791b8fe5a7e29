// The browser link: finds the user's web browser through the registered
// "http" handler, opens URLs in it, asks it for the page it shows, and puts
// texts on the clipboard. One instance for the process, used only on the UI
// thread (DDE conversations belong to the thread that made the instance).
//
// Two ways to reach the browser:
// - DDE, when the handler names a DDE service and topic: "IExplore" (opened
//   through the shell), "Netscape" and any other service (driven by DDE);
// - the shell alone, when the handler has an open command but no DDE names,
//   as current browsers register themselves: URLs go to ShellExecuteA, and
//   there is no current page.
#ifndef TL_BROWSER_BROWSER_H
#define TL_BROWSER_BROWSER_H

#include <windows.h>

#include <ddeml.h>

// Reads the registered handler and opens the link; with launch set and a DDE
// browser that does not run, starts it. 1 when the link is usable (DDE or
// shell), 0 when not (no http open command, or DDE names but no DDE
// instance). Shows nothing; the caller reports 0.
int browser_init(int launch);
// Releases the texts read and the DDE instance. Safe without browser_init.
void browser_exit(void);
// 2 for the "IExplore" service, 1 for "Netscape" (either case), else 0
// (also in shell mode and without a link).
int browser_kind(void);
// Whether Add and Fast Add may ask for a page: always 1.
int browser_available(void);
// The page the browser shows: 1 with *url and *title (heap texts, the caller
// frees them with memFree), or 0 with both null (no DDE browser, no answer
// within 1000 ms, or an answer that is not a page).
int browser_current_page(char **url, char **title);
// Opens url in the browser and brings its window to the front. 1 when the
// URL was handed over, 0 when not (no link, an empty url, a browser that
// could not be reached or started).
int browser_open_url(const char *url);
// The DDE callback of the client instance: XTYP_ADVDATA is acknowledged
// with DDE_FACK, everything else answered with 0.
HDDEDATA CALLBACK dde_callback(UINT type, UINT format, HCONV conversation, HSZ topic, HSZ item,
                               HDDEDATA data, ULONG_PTR data1, ULONG_PTR data2);

// ---- Clipboard (clipboard.cpp) -------------------------------------------------
// Puts text on the clipboard as CF_TEXT, the clipboard opened for owner.
// Nothing happens when the clipboard cannot be opened.
void copy_url_to_clipboard(HWND owner, const char *text);
// single_url_in (session/browser_text.h) of the clipboard's text; null when
// the clipboard holds no text or cannot be opened. The clipboard is only read.
char *clipboard_url(HWND owner);

#endif
