/* A disk that is slow to flush, for the end-to-end tests: preloaded into
 * Wine's server (which flushes files for FlushFileBuffers) and the game, it
 * makes every fsync and fdatasync wait ONDRELL_SLOW_FSYNC_SECONDS (default 8)
 * before it flushes for real. With ONDRELL_SLOW_FSYNC_GATE naming a file,
 * each waits instead for as long as that file exists, so that a test holds
 * the disk for exactly as long as it needs. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdlib.h>
#include <unistd.h>

static void wait_like_a_slow_disk(void) {
    const char* gate = getenv("ONDRELL_SLOW_FSYNC_GATE");
    if (gate) {
        while (access(gate, F_OK) == 0) usleep(100000);
        return;
    }
    const char* seconds = getenv("ONDRELL_SLOW_FSYNC_SECONDS");
    sleep(seconds ? (unsigned)atoi(seconds) : 8u);
}

int fsync(int fd) {
    int (*real)(int) = (int (*)(int))dlsym(RTLD_NEXT, "fsync");
    wait_like_a_slow_disk();
    return real(fd);
}

int fdatasync(int fd) {
    int (*real)(int) = (int (*)(int))dlsym(RTLD_NEXT, "fdatasync");
    wait_like_a_slow_disk();
    return real(fd);
}
