// Character entities in the texts of a bookmark file. The writer encodes the
// four bytes that would break the markup (& < > ") so that any url, title or
// keyword text survives a save and a reload; the reader decodes those, &#39;
// and the numeric entities of printable ASCII that browsers write in their
// own files. An ampersand that starts none of these stays as it is, so files
// written with raw ampersands read as before.
#ifndef TL_STORE_HTML_TEXT_H
#define TL_STORE_HTML_TEXT_H

#include <stdint.h>

#include "core/vstr.h"

// Appends text to out with & < > " written as &amp; &lt; &gt; &quot;.
void append_html_text(vstr *out, const char *text);
// Decodes in place, left to right and without rescanning what a decoded
// entity gave: &amp; &lt; &gt; &quot; and &#N; or &#xH; (either x) with a
// value from 32 to 126. Returns the new length; the text stays
// zero-terminated and never grows.
uint32_t decode_html_text(char *text);

#endif
