// The Properties dialog: one Bookmark's title, URL and keyword text, with
// its dates. OK refuses an empty title and asks before the URL of another
// Bookmark is taken over (that Bookmark is then deleted).
#include <stdio.h>
#include <time.h>

#include "app/shell.h"
#include "core/mem.h"
#include "search/keyword_index.h"
#include "store/bookmark.h"
#include "res/resource.h"

static const char TITLE_MISSING[] = "Please enter a title for this Trovelink";
static const char DUPLICATE_CAPTION[] = "Duplicate Trovelink Found";
static const char DUPLICATE_FORMAT[] =
    "A Trovelink with the same URL already exists:\n\n%s\n%s\n\nDo you want to replace it?";

// The dialog's argument, kept in its user data.
struct PropertiesArgs {
    AppState *app;
    Bookmark *bookmark;  // the Bookmark edited (not owned)
    char **keyword_text; // the caller's slot
    int in_list;         // bookmark belongs to the BookmarkList
};

// A date as the C library's ctime writes it (local time, with its line
// feed), or "?" for a sentinel.
static void show_date(HWND dialog, int id, uint32_t date)
{
    const char *text = nullptr;
    if (date_is_time(date)) {
        time_t t = (time_t) date;
        text = ctime(&t);
    }
    SetDlgItemTextA(dialog, id, text ? text : "?");
}

// The text of the box id as a new heap text (any length).
static char *box_text(HWND dialog, int id)
{
    HWND box = GetDlgItem(dialog, id);
    int length = GetWindowTextLengthA(box);
    char *text = (char *) memAlloc((size_t) length + 1);
    text[0] = 0;
    GetWindowTextA(box, text, length + 1);
    return text;
}

static void on_init(HWND dialog, PropertiesArgs *args)
{
    SetWindowLongPtrA(dialog, GWLP_USERDATA, (LONG_PTR) args);
    center_window(dialog, GetWindow(dialog, GW_OWNER));
    TCITEMA tab;
    ZeroMemory(&tab, sizeof tab);
    tab.mask = TCIF_TEXT | TCIF_IMAGE | TCIF_PARAM;
    tab.pszText = (LPSTR) "General";
    tab.iImage = -1;
    SendDlgItemMessageA(dialog, IDC_PROPERTY_TABS, TCM_INSERTITEMA, 0, (LPARAM) &tab);

    const Bookmark *b = args->bookmark;
    if (b->title) SetDlgItemTextA(dialog, IDC_TITLE, b->title);
    if (b->url) SetDlgItemTextA(dialog, IDC_URL, b->url);
    show_date(dialog, IDC_ADD_DATE, b->addDate);
    show_date(dialog, IDC_LAST_VISIT, b->lastVisit);
    show_date(dialog, IDC_LAST_MODIFIED, b->lastModified);
    if (b->keywords) {
        char *text = keyword_list_text(b->keywords);
        SetDlgItemTextA(dialog, IDC_KEYWORDS, text);
        memFree(text);
    } else if (*args->keyword_text) {
        SetDlgItemTextA(dialog, IDC_KEYWORDS, *args->keyword_text);
    }
    memFree(*args->keyword_text);
    *args->keyword_text = nullptr;
}

// Whether the user lets the edited Bookmark take over other's URL.
static int replace_other(HWND dialog, const Bookmark *other)
{
    size_t size = sizeof DUPLICATE_FORMAT + strlen(other->title) + strlen(other->url);
    char *question = (char *) memAlloc(size);
    snprintf(question, size, DUPLICATE_FORMAT, other->title, other->url);
    int answer = MessageBoxA(dialog, question, DUPLICATE_CAPTION, MB_YESNO | MB_ICONINFORMATION);
    memFree(question);
    return answer == IDYES;
}

// OK: 1 when the edit was stored, 0 when the dialog stays open.
static int on_ok(HWND dialog, PropertiesArgs *args)
{
    Bookmark *b = args->bookmark;
    char *url = box_text(dialog, IDC_URL);
    char *title = box_text(dialog, IDC_TITLE);
    trim_space(title);
    Bookmark *other = nullptr;
    int refused = 0;
    if (!title[0]) {
        MessageBoxA(dialog, TITLE_MISSING, "Trovelinks", MB_OK | MB_ICONINFORMATION);
        SetFocus(GetDlgItem(dialog, IDC_TITLE));
        refused = 1;
    } else {
        other = find_bookmark_by_url(args->app, url);
        if (other == b) other = nullptr;
        if (other && !replace_other(dialog, other)) refused = 1;
    }
    if (refused) {
        memFree(url);
        memFree(title);
        return 0;
    }
    if (other) delete_bookmark_and_item(args->app, other);
    if (args->in_list) {
        set_bookmark_url(args->app, b, url);
    } else {
        memFree(b->url);
        b->url = url;
    }
    memFree(b->title);
    b->title = title;
    *args->keyword_text = box_text(dialog, IDC_KEYWORDS);
    return 1;
}

static INT_PTR CALLBACK properties_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    PropertiesArgs *args = (PropertiesArgs *) GetWindowLongPtrA(dialog, GWLP_USERDATA);
    switch (message) {
    case WM_INITDIALOG: on_init(dialog, (PropertiesArgs *) lparam); return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDOK:
            if (on_ok(dialog, args)) EndDialog(dialog, 1);
            return TRUE;
        case IDCANCEL: EndDialog(dialog, 2); return TRUE;
        }
        break;
    case WM_CTLCOLORSTATIC:
        // The labels lie on the tab control, whose body a visual style may
        // draw in another colour than the dialog's: they leave it showing.
        SetBkMode((HDC) wparam, TRANSPARENT);
        return (INT_PTR) GetStockObject(NULL_BRUSH);
    }
    return FALSE;
}

int properties_dialog(AppState *app, Bookmark *b, char **keyword_text, HWND owner)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);
    uint32_t at;
    PropertiesArgs args = {app, b, keyword_text, vecs_search(app->bookmarks, b, &at, nullptr)};
    INT_PTR result = DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_PROPERTIES), owner,
                                     properties_proc, (LPARAM) &args);
    if (result == 1) return 1;
    memFree(*keyword_text);
    *keyword_text = nullptr;
    return 0;
}
