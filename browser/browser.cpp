// The browser link (see browser.h): the registered http handler, DDE with
// the browser, and the shell for browsers without DDE.
//
// DDE conventions: string handles in CP_WINANSI, every transaction an
// XTYP_REQUEST in CF_TEXT. Conversations live for one operation.
//
//   is the browser running   service, "WWW_Version"        connect only
//   open a URL               service, the registered topic  "URL,,-1,0,,,", not awaited
//   current page and window  service, "WWW_GetWindowInfo"  "0xFFFFFFFF", 1000 ms
#include "browser/browser.h"

#include <shellapi.h>
#include <string.h>

#include "app/registry.h"
#include "core/dupstr.h"
#include "core/mem.h"
#include "core/vstr.h"
#include "session/browser_text.h"

static const char OPEN_KEY[] = "SOFTWARE\\classes\\http\\shell\\open\\";
static const DWORD REPLY_WAIT = 1000;   // ms for the window-information answer
static const DWORD STARTING_WAIT = 5000; // ms for a just-started browser to take the URL

// Module state; the texts are owned here, null when unknown.
static char *browser_command; // the command line that starts the browser
static char *browser_service; // DDE service; null in shell mode
static char *browser_topic;   // DDE topic for opening a URL; null in shell mode
static char *info_topic;      // "WWW_GetWindowInfo"
static char *version_topic;   // "WWW_Version"
static DWORD dde_instance;    // from DdeInitializeA, 0 when none
static HWND found_window;     // result of the window search

// The default value of OPEN_KEY + sub_key under HKEY_LOCAL_MACHINE: a heap
// text, or null when missing, not a string or empty.
static char *read_open_value(const char *sub_key)
{
    vstr path;
    vstrInit(&path);
    vstrSet(&path, OPEN_KEY);
    vstrAppend(&path, sub_key);
    HKEY key;
    char *text = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.data, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        text = reg_read_string(key, nullptr);
        RegCloseKey(key);
    }
    vstrClear(&path);
    if (text && !*text) {
        memFree(text);
        text = nullptr;
    }
    return text;
}

static void release_texts(void)
{
    char **texts[] = {&browser_command, &browser_service, &browser_topic, &info_topic,
                      &version_topic};
    for (char **text : texts) {
        memFree(*text);
        *text = nullptr;
    }
}

static int is_iexplore(void)
{
    return browser_service && _stricmp(browser_service, "IExplore") == 0;
}

// A conversation with the browser's service on topic, or null.
static HCONV connect_topic(const char *topic)
{
    HSZ service = DdeCreateStringHandleA(dde_instance, browser_service, CP_WINANSI);
    HSZ name = DdeCreateStringHandleA(dde_instance, topic, CP_WINANSI);
    HCONV conversation = DdeConnect(dde_instance, service, name, NULL);
    DdeFreeStringHandle(dde_instance, name);
    DdeFreeStringHandle(dde_instance, service);
    return conversation;
}

static int browser_runs(void)
{
    HCONV conversation = connect_topic(version_topic);
    if (!conversation) return 0;
    DdeDisconnect(conversation);
    return 1;
}

// Starts the browser with its command line as registered. 1 when started.
static int start_browser(void)
{
    return WinExec(browser_command, SW_SHOWNORMAL) > 31;
}

// Connects to topic, trying again until milliseconds have passed.
static HCONV connect_within(const char *topic, DWORD milliseconds)
{
    DWORD start = GetTickCount();
    for (;;) {
        HCONV conversation = connect_topic(topic);
        if (conversation || GetTickCount() - start >= milliseconds) return conversation;
        Sleep(100);
    }
}

// Asks the browser about its window. -1 when the conversation could not be
// opened, 0 when no answer came, 1 with the answer's first bytes in reply
// (4096 bytes) and their count in *size.
static int request_window_info(char *reply, size_t *size)
{
    *size = 0;
    HCONV conversation = connect_topic(info_topic);
    if (!conversation) return -1;
    HSZ item = DdeCreateStringHandleA(dde_instance, "0xFFFFFFFF", CP_WINANSI);
    HDDEDATA data =
        DdeClientTransaction(NULL, 0, conversation, item, CF_TEXT, XTYP_REQUEST, REPLY_WAIT, NULL);
    DdeDisconnect(conversation);
    DdeFreeStringHandle(dde_instance, item);
    if (!data) return 0;
    *size = DdeGetData(data, (LPBYTE) reply, 4096, 0);
    DdeFreeDataHandle(data);
    return 1;
}

// EnumWindows: the first top-level window whose text begins with the title
// in param goes to found_window.
static BOOL CALLBACK match_window(HWND window, LPARAM param)
{
    const char *title = (const char *) param;
    char text[256] = "";
    GetWindowTextA(window, text, (int) strlen(title) + 1);
    if (strcmp(text, title) != 0) return TRUE;
    found_window = window;
    return FALSE;
}

// Brings the window with the title the browser reports to the front. 1 when
// the browser's window-information conversation could be opened.
static int bring_browser_forward(void)
{
    char reply[4096], title[256];
    size_t size;
    int got = request_window_info(reply, &size);
    if (got == 1 && reply_window_title(reply, size, title)) {
        found_window = NULL;
        EnumWindows(match_window, (LPARAM) title);
        if (found_window) {
            if (IsIconic(found_window)) ShowWindow(found_window, SW_RESTORE);
            SetForegroundWindow(found_window);
        }
    }
    return got >= 0;
}

// Sends the open request for url on conversation, which it ends.
static void send_open_request(HCONV conversation, const char *url)
{
    vstr text;
    vstrInit(&text);
    vstrSet(&text, "%s,,-1,0,,,");
    vstrSub(&text, "%s", url);
    HSZ item = DdeCreateStringHandleA(dde_instance, text.data, CP_WINANSI);
    DdeClientTransaction(NULL, 0, conversation, item, CF_TEXT, XTYP_REQUEST, TIMEOUT_ASYNC, NULL);
    DdeDisconnect(conversation);
    DdeFreeStringHandle(dde_instance, item);
    vstrClear(&text);
}

int browser_init(int launch)
{
    browser_exit();
    browser_command = read_open_value("command");
    if (!browser_command) return 0;
    browser_service = read_open_value("ddeexec\\Application");
    browser_topic = read_open_value("ddeexec\\Topic");
    if (!browser_service || !browser_topic) { // shell mode: the open command alone
        memFree(browser_service);
        memFree(browser_topic);
        browser_service = browser_topic = nullptr;
        return 1;
    }
    info_topic = dupstr("WWW_GetWindowInfo");
    version_topic = dupstr("WWW_Version");
    if (DdeInitializeA(&dde_instance, dde_callback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) {
        dde_instance = 0;
        release_texts();
        return 0;
    }
    if (launch && !browser_runs()) start_browser(); // its outcome is not looked at
    return 1;
}

void browser_exit(void)
{
    release_texts();
    if (dde_instance) DdeUninitialize(dde_instance);
    dde_instance = 0;
}

int browser_kind(void)
{
    if (!browser_service) return 0;
    if (is_iexplore()) return 2;
    return _stricmp(browser_service, "Netscape") == 0 ? 1 : 0;
}

int browser_available(void)
{
    return 1;
}

int browser_open_url(const char *url)
{
    if (!browser_command || !*url) return 0;
    if (!browser_service) // shell mode
        return (INT_PTR) ShellExecuteA(NULL, NULL, url, NULL, NULL, SW_SHOWNORMAL) > 32;
    if (is_iexplore()) {
        ShellExecuteA(NULL, NULL, url, NULL, NULL, SW_SHOWNORMAL);
        return 1;
    }
    HCURSOR previous = SetCursor(LoadCursorA(NULL, MAKEINTRESOURCEA(32650))); // IDC_APPSTARTING
    HCONV conversation = connect_topic(browser_topic);
    if (!conversation) {
        // A browser that runs gets one more try; a started one the time to
        // come up.
        if (browser_runs())
            conversation = connect_topic(browser_topic);
        else if (start_browser())
            conversation = connect_within(browser_topic, STARTING_WAIT);
    }
    int result = 0;
    if (conversation) {
        send_open_request(conversation, url);
        result = bring_browser_forward();
    }
    SetCursor(previous);
    return result;
}

int browser_current_page(char **url, char **title)
{
    *url = *title = nullptr;
    if (!browser_service) return 0;
    char reply[4096];
    size_t size;
    if (request_window_info(reply, &size) != 1) return 0;
    int found = reply_page(reply, size, is_iexplore(), url, title);
    if (found == REPLY_PAGE) return 1;
    if (found == REPLY_URL_ONLY) { // the title from Internet Explorer's main window
        HWND frame = FindWindowA("IEFrame", NULL);
        char text[1024] = "";
        if (frame) GetWindowTextA(frame, text, sizeof text);
        *title = frame ? ie_frame_page_title(text) : nullptr;
        if (*title) return 1;
        memFree(*url);
        *url = nullptr;
    }
    return 0;
}

HDDEDATA CALLBACK dde_callback(UINT type, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR)
{
    return type == XTYP_ADVDATA ? (HDDEDATA) DDE_FACK : (HDDEDATA) 0;
}
