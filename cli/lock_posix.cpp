// The lock beside the bookmark file.
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "cli/cli.h"
#include "core/os.h"
#include "core/vstr.h"

int lock_file(const char *path, uint32_t timeout_ms, int *timed_out)
{
    *timed_out = 0;
    vstr name;
    vstrInit(&name);
    vstrSet(&name, path);
    vstrAppend(&name, ".lock");
    int fd = open(name.data, O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    vstrClear(&name);
    if (fd < 0) return -1;
    uint32_t start = os_tick_count();
    for (;;) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) return fd;
        if (errno != EWOULDBLOCK && errno != EINTR) break;
        if (os_tick_count() - start >= timeout_ms) {
            *timed_out = 1;
            break;
        }
        usleep(20000);
    }
    close(fd);
    return -1;
}

void unlock_file(int lock)
{
    if (lock >= 0) close(lock); // closing the descriptor releases the lock
}
