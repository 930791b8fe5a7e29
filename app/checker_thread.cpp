// The checker thread and its link with the main window. The thread owns only
// the URL copy it was handed and its sockets: it takes requests from its own
// queue one at a time and reports to the main window with sent messages, so
// that every report is handled on the main thread, in order, while the URL
// it names is still valid. The main thread never waits for it.
#include "app/shell.h"
#include "checker/check_cycle.h"
#include "checker/http_probe.h"
#include "core/mem.h"
#include "core/os.h"
#include "store/bookmark.h"
#include "res/resource.h"

CheckerProbe g_checker_probe = check_url;

DWORD WINAPI checker_thread(void *main_window)
{
    HWND window = (HWND) main_window;
    MSG msg;
    // The queue first, so that a request posted from now on waits in it.
    PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE);
    // Without sockets the requests are still taken; every probe then fails.
    int net = os_net_start();
    SendMessageA(window, WM_CHECKER_IDLE, 0, 0);
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        if (msg.message != WM_CHECK_URL || !msg.wParam) continue;
        char *url = (char *) msg.wParam;
        SendMessageA(window, WM_CHECK_STATUS, (WPARAM) url, (LPARAM) DATE_CHECKING);
        uint32_t result = g_checker_probe(url);
        SendMessageA(window, WM_CHECK_STATUS, (WPARAM) url, (LPARAM) result);
        SendMessageA(window, WM_CHECKER_IDLE, 0, 0);
        memFree(url);
    }
    if (net) os_net_stop();
    return 0;
}

static int post_to_checker(AppState *app, char *url)
{
    return PostThreadMessageA(app->checker_thread_id, WM_CHECK_URL, (WPARAM) url, 0) != 0;
}

void start_checker_thread(AppState *app)
{
    static const CheckDoors doors = {post_to_checker, refresh_bookmark_icon};
    check_cycle_use_doors(&doors);
    DWORD id = 0;
    HANDLE thread = CreateThread(NULL, 0, checker_thread, app->main_window, 0, &id);
    if (!thread) return; // no checker: a cycle hands over nothing until stopped
    app->checker_thread_id = id;
    SetThreadPriority(thread, THREAD_PRIORITY_IDLE);
    CloseHandle(thread);
}

LRESULT on_checker_message(AppState *app, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_CHECK_STATUS)
        check_status_arrived(app, (const char *) wparam, (uint32_t) lparam);
    else
        checker_idle(app);
    return 0;
}
