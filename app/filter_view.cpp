// apply_filter: the filter box's text through the filter's decisions into
// the list and status part 0.
#include "app/shell.h"
#include "core/mem.h"
#include "search/filter.h"

// The text of the filter box in the program's code page (a heap text), and
// the start of its selection as a byte offset in that text. The box is a
// Unicode control, which counts its selection in UTF-16 units: the offset is
// the length of the text before it, converted.
static char *filter_box_text(HWND box, int32_t *caret)
{
    int units = GetWindowTextLengthW(box);
    WCHAR *wide = (WCHAR *) memAlloc(((size_t) units + 1) * sizeof(WCHAR));
    units = GetWindowTextW(box, wide, units + 1);
    DWORD start = 0;
    SendMessageW(box, EM_GETSEL, (WPARAM) &start, 0);
    if (start > (DWORD) units) start = (DWORD) units;
    int bytes = units ? WideCharToMultiByte(CP_ACP, 0, wide, units, NULL, 0, NULL, NULL) : 0;
    char *text = (char *) memAlloc((size_t) bytes + 1);
    if (bytes) WideCharToMultiByte(CP_ACP, 0, wide, units, text, bytes, NULL, NULL);
    text[bytes] = 0;
    *caret = start ? WideCharToMultiByte(CP_ACP, 0, wide, (int) start, NULL, 0, NULL, NULL) : 0;
    memFree(wide);
    return text;
}

void apply_filter(AppState *app)
{
    int32_t start = 0;
    char *text = filter_box_text((HWND) app->filter_edit, &start);

    FilterUpdate update;
    filter_decide(app, text, start, &update);
    if (update.refill) list_rebuild(app);
    if (update.status) status_set_part(app, 0, update.status);
    if (update.deadline == FILTER_DEADLINE_SOON)
        status_deadline_soon(app);
    else if (update.deadline == FILTER_DEADLINE_NEVER)
        app->status_deadline = STATUS_NO_DEADLINE;
    filter_update_free(&update);
    memFree(text);
}
