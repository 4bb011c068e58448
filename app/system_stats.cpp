#include "app/system_stats.h"

void PrefillCpuHistory(SystemStats& stats)
{
    stats.historyCapacity = 100;
    for (uint32_t sample = 1; sample < stats.historyCapacity; ++sample) {
        stats.cpuHistory.push_back(0);
    }
    while (stats.cpuHistory.size() > stats.historyCapacity) {
        stats.cpuHistory.erase(stats.cpuHistory.begin());
    }
}
