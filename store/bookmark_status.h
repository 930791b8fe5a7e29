// What a Bookmark's dates say to the user: its status (the list's icon, the
// command line's status word) and the visit rule.
#ifndef TL_STORE_BOOKMARK_STATUS_H
#define TL_STORE_BOOKMARK_STATUS_H

#include <stdint.h>

struct Bookmark;

// The status icon of b: 0 no change (or nothing known), 1 failed, 2 new
// (modified since the last visit), 3 checking.
int status_icon(const Bookmark *b);
// The visit rule: lastVisit becomes now, or lastModified when that is a
// time later than now.
void set_visit_time(Bookmark *b, uint32_t now);

#endif
