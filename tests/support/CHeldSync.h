#pragma once

#include "CFileCalls.h"

// While alive, a data file's sync waits until release(): a save made on a
// thread of its own stays under way for as long as a test needs. Syncs
// after release() go through at once; the destructor releases too. The
// saves it held must have ended before it goes.
class CHeldSync
{
public:
    CHeldSync();
    ~CHeldSync();
    CHeldSync(const CHeldSync &) = delete;
    CHeldSync &operator=(const CHeldSync &) = delete;

    // How many syncs have reached the hold (waiting or let through).
    static int reached();
    void release();

private:
    CFileCalls m_previous;
};
