/* Test-only preload library: puts a program's clock in the test's hands.
 *
 * KM_TEST_SEED=n   srandom() seeds with n whatever the program passes, so a
 *                  game that seeds from the clock deals the same start every run.
 * KM_TEST_GATE=dir every pause a frame is paced by (a sleep of 50 ms or more,
 *                  a timed input wait of 100 ms or more) waits instead for one
 *                  byte on the FIFO dir/steps; a timed input wait also ends when
 *                  input arrives, as it would have. dir/counts holds four
 *                  64-bit words: arrivals at the gate, departures, the kind of
 *                  the latest gate (1 a sleep, 2 a wait for input) and whether
 *                  the latest departure came from input (so a sleep that a key
 *                  started, as a throttle, is told from a frame's pace).
 *
 * Shorter waits (an escape sequence's delay, a lock's retry) run as usual. The
 * shipped programs know nothing of this: it only works preloaded. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

static int gate_fd = -2; /* -2: not looked at yet, -1: no gate */
static uint64_t* counts;

static void open_gate(void) {
    if (gate_fd != -2) return;
    gate_fd = -1;
    const char* dir = getenv("KM_TEST_GATE");
    if (dir == NULL || *dir == '\0') return;
    char path[4096];
    snprintf(path, sizeof path, "%s/counts", dir);
    int cfd = open(path, O_RDWR | O_CLOEXEC);
    if (cfd < 0) return;
    void* map = mmap(NULL, 4 * sizeof(uint64_t), PROT_READ | PROT_WRITE, MAP_SHARED, cfd, 0);
    close(cfd);
    if (map == MAP_FAILED) return;
    snprintf(path, sizeof path, "%s/steps", dir);
    /* Read and write, so opening never waits for a writer and reads never see EOF. */
    int fd = open(path, O_RDWR | O_CLOEXEC);
    if (fd < 0) return;
    counts = map;
    gate_fd = fd;
}

typedef int (*poll_fn)(struct pollfd*, nfds_t, int);

static poll_fn real_poll(void) {
    static poll_fn fn;
    if (fn == NULL) fn = (poll_fn)dlsym(RTLD_NEXT, "poll");
    return fn;
}

/* Waits at the gate for a step or for input on `fds`. Returns what poll would:
 * 0 for a step (a time-out), the number of ready descriptors for input, -1 on
 * a signal. */
static int wait_at_gate(struct pollfd* fds, nfds_t n) {
    struct pollfd all[n + 1];
    memcpy(all, fds, n * sizeof *fds);
    all[n].fd = gate_fd;
    all[n].events = POLLIN;
    __atomic_store_n(&counts[2], n == 0 ? 1 : 2, __ATOMIC_SEQ_CST);
    __atomic_add_fetch(&counts[0], 1, __ATOMIC_SEQ_CST);
    int result;
    for (;;) {
        int r = real_poll()(all, n + 1, -1);
        if (r < 0) {
            if (errno == EINTR) {
                result = -1;
                break;
            }
            continue;
        }
        /* Input wins over a step, as it ends a real wait early; the step stays for the next gate. */
        int ready = 0;
        for (nfds_t i = 0; i < n; ++i) {
            fds[i].revents = all[i].revents;
            if (all[i].revents != 0) ++ready;
        }
        if (ready > 0) {
            result = ready;
            break;
        }
        char c;
        if ((all[n].revents & POLLIN) && read(gate_fd, &c, 1) == 1) {
            result = 0;
            break;
        }
    }
    int saved = errno;
    __atomic_store_n(&counts[3], result > 0 ? 1 : 0, __ATOMIC_SEQ_CST);
    __atomic_add_fetch(&counts[1], 1, __ATOMIC_SEQ_CST);
    errno = saved;
    return result;
}

int poll(struct pollfd* fds, nfds_t n, int timeout) {
    open_gate();
    if (gate_fd < 0 || timeout < 100) return real_poll()(fds, n, timeout);
    return wait_at_gate(fds, n);
}

int usleep(useconds_t usec) {
    open_gate();
    if (gate_fd < 0 || usec < 50000) {
        struct timespec t = {usec / 1000000, (long)(usec % 1000000) * 1000};
        return nanosleep(&t, NULL);
    }
    return wait_at_gate(NULL, 0) < 0 ? -1 : 0;
}

void srandom(unsigned seed) {
    static void (*real)(unsigned);
    if (real == NULL) real = (void (*)(unsigned))dlsym(RTLD_NEXT, "srandom");
    const char* fixed = getenv("KM_TEST_SEED");
    if (fixed != NULL && *fixed != '\0') seed = (unsigned)strtoul(fixed, NULL, 10);
    real(seed);
}
