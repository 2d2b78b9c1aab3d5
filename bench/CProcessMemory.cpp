#include "CProcessMemory.h"

#include <QByteArray>
#include <QFile>
#include <QList>

#include <malloc.h>

double CProcessMemory::statusMb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field) + 1).trimmed().split(' ').value(0).toDouble() * 1024 / 1e6;
    }
    return -1;
}

double CProcessMemory::residentMb()
{
    malloc_trim(0);
    return statusMb("VmRSS");
}

void CProcessMemory::resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}
