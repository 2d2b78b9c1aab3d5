#pragma once

#include "CFileCalls.h"

#include <QByteArray>

// While alive, one of the data files' system calls fails with the given
// error, as a failing disk or a network filesystem would make it: open only
// for paths ending in the given name, the others on every call.
class CFileFault
{
public:
    enum class Call { Open, Read, Write, Fdatasync, Close };

    CFileFault(Call call, int error, const QByteArray &pathEnd = QByteArray());
    ~CFileFault();
    CFileFault(const CFileFault &) = delete;
    CFileFault &operator=(const CFileFault &) = delete;

    // How often the failing call was made.
    static int failures();

private:
    CFileCalls m_previous;
};
