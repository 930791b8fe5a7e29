// vstr: a growable zero-terminated byte string. Its capacity starts at 16
// and doubles; it never shrinks. After every change the byte at data[length]
// is zero, so data can be used as a C string.
#ifndef TL_CORE_VSTR_H
#define TL_CORE_VSTR_H

#include <stdint.h>
#include <string.h>

struct vstr {
    uint32_t capacity; // bytes allocated at data; 0 when nothing is
    uint32_t length;   // bytes in use, without the terminating zero
    char *data;        // the buffer, or null while capacity is 0
};

void vstrInit(vstr *s);
// Replaces the content with text.
void vstrSet(vstr *s, const char *text);
// Appends count bytes (need not be zero-terminated).
void vstrAppendPrimative(vstr *s, const void *bytes, uint32_t count);
void vstrAppendCh(vstr *s, char ch);
// Replaces every occurrence of pattern (not empty) by replacement, left to
// right, never rescanning inserted text.
void vstrSub(vstr *s, const char *pattern, const char *replacement);
// Inserts text at offset (at most length); returns the bytes inserted.
uint32_t vstrInsertStr(vstr *s, const char *text, uint32_t offset);
// Removes count bytes at offset (within the content).
void vstrDelete(vstr *s, uint32_t offset, uint32_t count);
// Makes room for size bytes and a terminator; content and length unchanged.
void vstrGrow(vstr *s, uint32_t size);
// Frees the buffer; all fields 0.
void vstrClear(vstr *s);
// Hands the buffer to the caller (who frees it with memFree); all fields 0.
// Null when nothing was ever stored.
char *vstrDetach(vstr *s);

// Appends a zero-terminated text.
inline void vstrAppend(vstr *s, const char *text)
{
    vstrAppendPrimative(s, text, (uint32_t) strlen(text));
}

#endif
