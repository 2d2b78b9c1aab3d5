#pragma once

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
    // The calls in use, the system's unless a test changed them.
    static CFileCalls &current();
};
