#include "ProcessMemory.h"

#include <cstdio>
#include <cstring>

double ProcessMemory::peakResidentMiB()
{
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status)
        return 0.0;
    char line[256];
    double kib = 0.0;
    while (std::fgets(line, sizeof line, status))
        if (std::strncmp(line, "VmHWM:", 6) == 0)
            std::sscanf(line + 6, "%lf", &kib);
    std::fclose(status);
    return kib / 1024.0;
}
