// Heap copies of texts.
#include "core/dupstr.h"

#include <string.h>

#include "core/mem.h"

char *dupstr(const char *text)
{
    size_t n = strlen(text) + 1;
    char *copy = (char *) memAlloc(n);
    memcpy(copy, text, n);
    return copy;
}
