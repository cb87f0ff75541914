#pragma once

// The resident memory of this process, read from /proc/self/status.
class ProcessMemory {
public:
    // The peak resident set size so far (VmHWM), in MiB; 0 when unknown.
    static double peakResidentMiB();
};
