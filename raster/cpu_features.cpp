#include "raster/cpu_features.h"

#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#define VELMORA_X86 1
#endif

namespace velmora {

namespace {

#if VELMORA_X86
constexpr uint32_t kIdFlag = 1u << 21;

// The identification instruction exists when the ID bit of the flags register can be toggled.
bool IdFlagToggles() {
    uintptr_t before = 0;
    uintptr_t after = 0;
#if defined(__x86_64__)
    // Step over the red zone first: the compiler may keep locals below the stack pointer here.
    __asm__ volatile(
        "subq $128, %%rsp\n\t"
        "pushfq\n\t"
        "popq %0\n\t"
        "movq %0, %1\n\t"
        "xorq %2, %1\n\t"
        "pushq %1\n\t"
        "popfq\n\t"
        "pushfq\n\t"
        "popq %1\n\t"
        "pushq %0\n\t"
        "popfq\n\t"
        "addq $128, %%rsp\n\t"
        : "=&r"(before), "=&r"(after)
        : "r"(uintptr_t(kIdFlag))
        : "cc");
#else
    __asm__ volatile(
        "pushfl\n\t"
        "popl %0\n\t"
        "movl %0, %1\n\t"
        "xorl %2, %1\n\t"
        "pushl %1\n\t"
        "popfl\n\t"
        "pushfl\n\t"
        "popl %1\n\t"
        "pushl %0\n\t"
        "popfl\n\t"
        : "=&r"(before), "=&r"(after)
        : "r"(uintptr_t(kIdFlag))
        : "cc");
#endif
    return ((before ^ after) & kIdFlag) != 0;
}

struct CpuInfo {
    bool mmx = false;
    bool amd3dnow = false;
};

CpuInfo QueryCpu() {
    CpuInfo info;
    if (!IdFlagToggles()) return info;
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid_max(0, nullptr) < 1) return info;
    __cpuid(1, eax, ebx, ecx, edx);
    unsigned family = (eax >> 8) & 0xF;
    if (family < 5) return info;
    info.mmx = (edx & (1u << 23)) != 0;
    unsigned maxExtended = __get_cpuid_max(0x80000000u, nullptr);
    if (maxExtended > 0x80000000u) {
        __cpuid(0x80000001u, eax, ebx, ecx, edx);
        info.amd3dnow = (edx & (1u << 31)) != 0;
    }
    return info;
}
#else
struct CpuInfo {
    bool mmx = false;
    bool amd3dnow = false;
};
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
    static const bool avx2 = (__builtin_cpu_init(), __builtin_cpu_supports("avx2") != 0);
    return avx2;
#else
    return false;
#endif
}

}  // namespace velmora
