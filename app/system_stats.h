// System statistics: the processor-usage history and the machine figures the
// statistics panel shows. Constructed before start-up, prefilled by its first
// step, alive until exit.
#pragma once

#include <cstdint>
#include <vector>

struct SystemStats {
    uint64_t lastSystemKernelTime = 0;  // 100 ns units, from the previous measurement
    uint64_t lastSystemUserTime = 0;
    uint64_t lastProcessKernelTime = 0;
    uint64_t lastProcessUserTime = 0;
    int16_t usage = -1;                // last measured processor usage, percent; -1 before the first
    uint64_t lastMeasurementTick = 0;  // milliseconds; 0 means never measured
    uint8_t historyCapacity = 100;     // samples kept at most
    int16_t clampedUsage = 0;          // usage limited to 0..100, the value last pushed
    std::vector<uint16_t> cpuHistory;  // clamped samples, oldest first
    uint64_t totalPhysicalMemory = 0;  // bytes, recorded by the hardware enumeration
};

// Fills the history with 99 zero samples.
void PrefillCpuHistory(SystemStats& stats);
