#include "CFullDisk.h"

#include <csignal>

CFullDisk::CFullDisk(rlim_t bytes)
    : m_previousHandler(std::signal(SIGXFSZ, SIG_IGN))
{
    getrlimit(RLIMIT_FSIZE, &m_previous);
    rlimit small = m_previous;
    small.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &small);
}

CFullDisk::~CFullDisk()
{
    setrlimit(RLIMIT_FSIZE, &m_previous);
    std::signal(SIGXFSZ, m_previousHandler);
}
