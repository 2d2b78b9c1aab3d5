#pragma once

#include <QtGlobal>

#include <sys/types.h>

// The system calls the data files are read and written through. Tests swap
// one of them for a failing one to see what a disk error, a network
// filesystem or a full device does to the files; the program never does.
struct CFileCalls
{
    int (*open)(const char *path, int flags, mode_t mode);
    ssize_t (*read)(int fd, void *buffer, size_t size);
    ssize_t (*write)(int fd, const void *buffer, size_t size);
    int (*fdatasync)(int fd);
    int (*close)(int fd);

    static CFileCalls system();
    // Writes every byte through the current calls, again after EINTR; 0, or
    // the error that stopped it (ENOSPC when nothing more would go).
    static int writeAll(int fd, const char *data, qsizetype size);
    // The calls in use, the system's unless a test changed them.
    static CFileCalls &current();
};
