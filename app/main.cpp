// The program's entry point.
#include "app/shell.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show)
{
    (void) previous;
    (void) command_line;
    (void) show;
    return tl_main(instance);
}
