#include "raster/cpu_features.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#define VELMORA_X86 1
#endif

namespace velmora {

namespace {

struct CpuInfo {
    bool mmx = false;
    bool amd3dnow = false;
};

#if VELMORA_X86
CpuInfo QueryCpu() {
    CpuInfo info;
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    // __get_cpuid answers 0 where the identification instruction or the leaf is missing; on 32-bit
    // processors the compiler's header first tries the flags register's ID bit.
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return info;
    unsigned family = (eax >> 8) & 0xF;
    if (family < 5) return info;
    info.mmx = (edx & (1u << 23)) != 0;
    if (__get_cpuid(0x80000001u, &eax, &ebx, &ecx, &edx)) info.amd3dnow = (edx & (1u << 31)) != 0;
    return info;
}
#else
CpuInfo QueryCpu() { return {}; }
#endif

const CpuInfo& Cpu() {
    static const CpuInfo info = QueryCpu();
    return info;
}

}  // namespace

bool ProcessorHasMMX() { return Cpu().mmx; }
bool ProcessorHas3DNow() { return Cpu().amd3dnow; }

bool ProcessorHasAVX2() {
#if VELMORA_X86
    // Unlike the identification leaf alone, this also asks whether the system saves the wide registers.
    static const bool avx2 = (__builtin_cpu_init(), __builtin_cpu_supports("avx2") != 0);
    return avx2;
#else
    return false;
#endif
}

}  // namespace velmora
