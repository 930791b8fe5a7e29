// The program's spine: one instance per desktop, start-up in a fixed order,
// and the save and release at the end.
#include <stdio.h>
#include <string.h>

#include "app/registry.h"
#include "app/shell.h"
#include "checker/check_cycle.h"
#include "core/mem.h"
#include "search/filter.h"
#include "session/session.h"
#include "session/session_file.h"

HINSTANCE g_instance;
char g_build_text[16];
HACCEL g_accelerators;

void tl_message(AppState *app, const char *format, const char *argument)
{
    size_t size = strlen(format) + (argument ? strlen(argument) : 0) + 1;
    char *text = (char *) memAlloc(size);
    snprintf(text, size, format, argument ? argument : "");
    HWND owner = app ? (HWND) app->main_window : NULL;
    MessageBoxA(owner, text, "Trovelinks", MB_OK | MB_ICONINFORMATION | MB_TASKMODAL);
    memFree(text);
}

int bring_running_instance_forward(void)
{
    HWND window = FindWindowA("TroveLinksFrame", NULL);
    if (!window) return 0;
    HWND popup = GetLastActivePopup(window);
    if (IsIconic(window)) ShowWindow(window, SW_SHOWNORMAL);
    SetForegroundWindow(window);
    if (popup && popup != window) SetForegroundWindow(popup);
    return 1;
}

// A first start is one with no Options stored yet: the save at exit leaves
// them behind.
static int probe_first_start(void)
{
    HKEY key = reg_open_key(HKEY_CURRENT_USER, TL_REGISTRY_ROOT, "Properties", 0);
    if (!key) return 1;
    RegCloseKey(key);
    return 0;
}

static HFONT create_ui_font(void)
{
    LOGFONTA font;
    ZeroMemory(&font, sizeof font);
    font.lfHeight = -8;
    font.lfWeight = 300;
    font.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    strcpy(font.lfFaceName, "MS Sans Serif");
    return CreateFontIndirectA(&font);
}

static void release(AppState *app)
{
    HFONT font = (HFONT) app->ui_font;
    session_end(app);
    DeleteObject(font);
    browser_exit();
    memModuleExit();
}

AppState *tl_startup(HINSTANCE instance)
{
    g_instance = instance;
    memModuleInit();
    snprintf(g_build_text, sizeof g_build_text, "%u%s", (unsigned) TL_BUILD_NUMBER,
             TL_BUILD_LETTER);
    int first_start = probe_first_start();

    char exe_path[MAX_PATH];
    DWORD n = GetModuleFileNameA(NULL, exe_path, sizeof exe_path);
    if (n == 0 || n >= sizeof exe_path) exe_path[0] = 0;
    session_use_report(tl_message);
    static const OptionsStore registry = {options_load, options_save,
                                          "Unable to save Options to Windows Registry"};
    AppState *app = session_start(exe_path, &registry);
    app->first_start = first_start;
    app->ui_font = create_ui_font();

    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    list_use_locale_order(app);
    if (!register_frame_class(instance) || !create_frame_window(app)) {
        tl_message(app, "Unable to create Trovelinks Window", nullptr);
        release(app);
        return nullptr;
    }

    load_bookmark_file(app);
    status_message(app, "Please Wait, Initializing Browser...");
    if (!browser_init(app->options.auto_launch))
        tl_message(app, "Unable to initialize conversation with Browser", nullptr);
    status_message(app, "Ready");
    // Before the checker starts, so that a first cycle covers what it brings.
    startup_rescan(app);
    start_checker_thread(app);
    if (app->options.auto_check) start_check_cycle(app);
    return app;
}

void load_bookmark_file(AppState *app)
{
    if (session_load_file(app)) apply_filter(app);
}

void tl_save_all(AppState *app)
{
    session_save(app, 1, 1);
}

void tl_shutdown(AppState *app)
{
    tl_save_all(app);
    release(app);
}

int tl_main(HINSTANCE instance)
{
    if (bring_running_instance_forward()) return 0;
    AppState *app = tl_startup(instance);
    if (!app) return 0;
    run_message_loop(app);
    tl_shutdown(app);
    return 1;
}
