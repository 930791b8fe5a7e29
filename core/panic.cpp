// Reporting impossible internal states.
#include "core/panic.h"

#include "core/os.h"

static PanicHook panic_hook; // set by tests; null shows the box

void panic_set_hook(PanicHook hook)
{
    panic_hook = hook;
}

void panic(const char *diagnostic)
{
    if (panic_hook) {
        panic_hook(diagnostic);
        return;
    }
    os_error_box("An Unknown error occured in the application", "Application Error");
}
