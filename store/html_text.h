// The texts of a bookmark file: their encoding and their character entities.
//
// Texts are UTF-8. A file that declares a single-byte Western encoding
// (windows-1252, ISO-8859-1 and their other names) is read as windows-1252
// and converted. In any other file each byte that belongs to no well-formed
// UTF-8 character is read as the windows-1252 character it is: a file
// written in the ANSI code page by an earlier version reads as windows-1252,
// and one where such bytes were added to UTF-8 texts (typed where the
// program ran in the ANSI code page) keeps its UTF-8 texts as they are.
//
// The writer encodes the four bytes that would break the markup (& < > ") so
// that any url, title or keyword text survives a save and a reload; the
// reader decodes those and the numeric entities that browsers write in their
// own files. An ampersand that starts none of these stays as it is, so files
// written with raw ampersands read as before.
#ifndef TL_STORE_HTML_TEXT_H
#define TL_STORE_HTML_TEXT_H

#include <stdint.h>

#include "core/vstr.h"

// Appends text to out with & < > " written as &amp; &lt; &gt; &quot;.
void append_html_text(vstr *out, const char *text);
// Decodes in place, left to right and without rescanning what a decoded
// entity gave: &amp; &lt; &gt; &quot; and &#N; or &#xH; (either x) of a code
// point from 32 up to U+10FFFF, written as UTF-8. Control characters (below
// 32, 127) and surrogates stay as text; 128 to 159 stand for the characters
// of windows-1252 at those bytes, as in browsers. Returns the new length;
// the text stays zero-terminated and never grows.
uint32_t decode_html_text(char *text);

// The whole text of a bookmark file in UTF-8 (as above): null when it is
// UTF-8 already (use it as it is), else a new heap text, which the caller
// frees.
char *bookmark_text_to_utf8(const char *text);

#endif
