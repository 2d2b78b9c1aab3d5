#pragma once

// This process's memory, in MB, from its status file.
class CProcessMemory
{
public:
    // A figure of the status file: "VmRSS" now, "VmHWM" its peak.
    static double statusMb(const char *field);
    // What the process holds, without the freed memory the allocator keeps.
    static double residentMb();
    // From here on, the peak is measured afresh.
    static void resetPeak();
};
