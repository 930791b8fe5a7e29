// panic: reports an internal state that should be impossible, then returns so
// that the caller carries on.
#ifndef TL_CORE_PANIC_H
#define TL_CORE_PANIC_H

// Shows "An Unknown error occured in the application" under the caption
// "Application Error" (an error box on Windows, standard error natively).
// The diagnostic text is not shown; it reaches an intercepting hook only.
void panic(const char *diagnostic);

// Tests intercept panics instead of blocking on a box: while a hook is set,
// panic calls it with the diagnostic and shows nothing. Null restores the box.
typedef void (*PanicHook)(const char *diagnostic);
void panic_set_hook(PanicHook hook);

#endif
