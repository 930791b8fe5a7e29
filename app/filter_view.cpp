// apply_filter: the filter box's text through the filter's decisions into
// the list and status part 0.
#include "app/shell.h"
#include "core/mem.h"
#include "search/filter.h"

void apply_filter(AppState *app)
{
    HWND box = (HWND) app->filter_edit;
    int length = GetWindowTextLengthA(box);
    char *text = (char *) memAlloc((size_t) length + 1);
    text[0] = 0;
    GetWindowTextA(box, text, length + 1);
    DWORD start = 0;
    SendMessageA(box, EM_GETSEL, (WPARAM) &start, 0);

    FilterUpdate update;
    filter_decide(app, text, (int32_t) start, &update);
    if (update.refill) list_rebuild(app);
    if (update.status) status_set_part(app, 0, update.status);
    if (update.deadline == FILTER_DEADLINE_SOON)
        status_deadline_soon(app);
    else if (update.deadline == FILTER_DEADLINE_NEVER)
        app->status_deadline = STATUS_NO_DEADLINE;
    filter_update_free(&update);
    memFree(text);
}
