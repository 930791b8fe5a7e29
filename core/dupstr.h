// dupstr: a heap copy of a zero-terminated text.
#ifndef TL_CORE_DUPSTR_H
#define TL_CORE_DUPSTR_H

// A new copy of text (not null) from memAlloc; the caller owns it.
char *dupstr(const char *text);

#endif
