/* Loaded into a test's child process (LD_PRELOAD): makes the Nth call that
 * changes a file or a name under FAILSHIM_DIR fail as the real system calls fail, so
 * the code above them is tried with the system's own error paths.
 * FAILSHIM_N: which call; FAILSHIM_KIND: once, persistent, short or crash;
 * FAILSHIM_HIT: a file created when the call is reached; FAILSHIM_NAMES: unlink,
 * mkdir and rmdir are failed too. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <unistd.h>

static int calls;

static int underFolder(const char *path)
{
    const char *dir = getenv("FAILSHIM_DIR");
    return dir && path && strncmp(path, dir, strlen(dir)) == 0;
}

static int fdUnderFolder(int fd)
{
    char link[64], path[4096];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = readlink(link, path, sizeof path - 1);
    if (n <= 0)
        return 0;
    path[n] = 0;
    return underFolder(path);
}

enum { Pass, Fail, Half };

static int next(void)
{
    const char *nth = getenv("FAILSHIM_N");
    const char *kind = getenv("FAILSHIM_KIND");
    if (!nth || !kind)
        return Pass;
    const int at = atoi(nth);
    const int n = ++calls;
    if (n < at)
        return Pass;
    if (n > at)
        return strcmp(kind, "once") == 0 ? Pass : Fail;
    const char *hit = getenv("FAILSHIM_HIT");
    if (hit) {
        const int fd = open(hit, O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        if (fd >= 0)
            ((int (*)(int))dlsym(RTLD_NEXT, "close"))(fd);
    }
    if (strcmp(kind, "crash") == 0 || strcmp(kind, "short") == 0)
        return Half;
    return Fail;
}

static int crashing(void)
{
    const char *kind = getenv("FAILSHIM_KIND");
    return kind && strcmp(kind, "crash") == 0;
}

ssize_t write(int fd, const void *buf, size_t count)
{
    static ssize_t (*real)(int, const void *, size_t);
    if (!real)
        real = (ssize_t (*)(int, const void *, size_t))dlsym(RTLD_NEXT, "write");
    if (fdUnderFolder(fd)) {
        const int o = next();
        if (o == Half) {
            real(fd, buf, count / 2);
            if (crashing())
                _exit(86);
        }
        if (o != Pass) {
            errno = ENOSPC;
            return -1;
        }
    }
    return real(fd, buf, count);
}

ssize_t pwrite64(int fd, const void *buf, size_t count, off_t offset)
{
    static ssize_t (*real)(int, const void *, size_t, off_t);
    if (!real)
        real = (ssize_t (*)(int, const void *, size_t, off_t))dlsym(RTLD_NEXT, "pwrite64");
    if (fdUnderFolder(fd)) {
        const int o = next();
        if (o == Half) {
            real(fd, buf, count / 2, offset);
            if (crashing())
                _exit(86);
        }
        if (o != Pass) {
            errno = ENOSPC;
            return -1;
        }
    }
    return real(fd, buf, count, offset);
}

#define FAIL_FD_CALL(name, ret, params, args, fd)                                                                   \
    ret name params                                                                                                 \
    {                                                                                                               \
        static ret(*real) params;                                                                                   \
        if (!real)                                                                                                  \
            real = (ret(*) params)dlsym(RTLD_NEXT, #name);                                                          \
        if (fdUnderFolder(fd)) {                                                                                    \
            const int o = next();                                                                                   \
            if (o == Half && crashing())                                                                            \
                _exit(86);                                                                                          \
            if (o != Pass) {                                                                                        \
                errno = EIO;                                                                                        \
                return -1;                                                                                          \
            }                                                                                                       \
        }                                                                                                           \
        return real args;                                                                                           \
    }

FAIL_FD_CALL(fsync, int, (int fd), (fd), fd)
FAIL_FD_CALL(fdatasync, int, (int fd), (fd), fd)
FAIL_FD_CALL(ftruncate64, int, (int fd, off_t length), (fd, length), fd)
FAIL_FD_CALL(ftruncate, int, (int fd, off_t length), (fd, length), fd)

int close(int fd)
{
    static int (*real)(int);
    if (!real)
        real = (int (*)(int))dlsym(RTLD_NEXT, "close");
    /* Only a descriptor that may have written: closing a read loses nothing. */
    const int flags = ((int (*)(int, int, ...))dlsym(RTLD_NEXT, "fcntl"))(fd, F_GETFL);
    if (flags != -1 && (flags & O_ACCMODE) != O_RDONLY && fdUnderFolder(fd)) {
        const int o = next();
        if (o == Half && crashing())
            _exit(86);
        if (o != Pass) {
            /* Linux releases the descriptor even when close reports an error. */
            real(fd);
            errno = EIO;
            return -1;
        }
    }
    return real(fd);
}

int rename(const char *from, const char *to)
{
    static int (*real)(const char *, const char *);
    if (!real)
        real = (int (*)(const char *, const char *))dlsym(RTLD_NEXT, "rename");
    if (underFolder(to)) {
        const int o = next();
        if (o == Half && crashing())
            _exit(86);
        if (o != Pass) {
            errno = EIO;
            return -1;
        }
    }
    return real(from, to);
}

static int lockCall(int fd, int cmd, void *arg)
{
    int (*real)(int, int, ...) = (int (*)(int, int, ...))dlsym(RTLD_NEXT, "fcntl");
    if ((cmd == F_SETLK || cmd == F_SETLKW) && arg && ((struct flock *)arg)->l_type == F_WRLCK && fdUnderFolder(fd)) {
        const int o = next();
        if (o == Half && crashing())
            _exit(86);
        if (o != Pass) {
            errno = EIO;
            return -1;
        }
    }
    return real(fd, cmd, arg);
}

int fcntl(int fd, int cmd, ...)
{
    va_list ap;
    va_start(ap, cmd);
    void *arg = va_arg(ap, void *);
    va_end(ap);
    return lockCall(fd, cmd, arg);
}

/* glibc's 64-bit name for the same call. */
int fcntl64(int fd, int cmd, ...) __attribute__((alias("fcntl")));

/* Removing and making names, when FAILSHIM_NAMES is set: a super-journal's
 * removal is a commit. */
#define FAIL_PATH_CALL(name, params, args, path)                                                                    \
    int name params                                                                                                 \
    {                                                                                                               \
        static int(*real) params;                                                                                   \
        if (!real)                                                                                                  \
            real = (int(*) params)dlsym(RTLD_NEXT, #name);                                                          \
        if (getenv("FAILSHIM_NAMES") && underFolder(path)) {                                                        \
            const int o = next();                                                                                   \
            if (o == Half && crashing())                                                                            \
                _exit(86);                                                                                          \
            if (o != Pass) {                                                                                        \
                errno = EIO;                                                                                        \
                return -1;                                                                                          \
            }                                                                                                       \
        }                                                                                                           \
        return real args;                                                                                           \
    }

FAIL_PATH_CALL(unlink, (const char *path), (path), path)
FAIL_PATH_CALL(mkdir, (const char *path, mode_t mode), (path, mode), path)
FAIL_PATH_CALL(rmdir, (const char *path), (path), path)
