// A Bookmark's status and the visit rule.
#include "store/bookmark_status.h"

#include "store/bookmark.h"

int status_icon(const Bookmark *b)
{
    if (b->lastModified == DATE_NONE) return 0;
    if (b->lastModified == DATE_FAILED) return 1;
    if (b->lastModified == DATE_CHECKING) return 3;
    if (b->lastVisit == DATE_NONE || b->lastVisit < b->lastModified) return 2;
    return 0;
}

void set_visit_time(Bookmark *b, uint32_t now)
{
    if (date_is_time(b->lastModified) && b->lastModified > now)
        b->lastVisit = b->lastModified;
    else
        b->lastVisit = now;
}
