// A test-only 32-bit program built for the Pentium Pro (-march=pentiumpro),
// otherwise like the shipped programs: the compiler's cmov in Larger, and,
// never called, one instruction of each family that the 80386 and 80387
// lack (no cmov among them, so that every cmov found is the compiler's) and
// a block of the 386's and 387's own, some of them look-alikes of the newer
// ones. scripts/check-release must refuse each of the first and none of the
// second (planted_cpu_test.sh).
#include <windows.h>

// -march=pentiumpro makes this a cmov.
__attribute__((noinline)) int Larger(int a, int b) { return a > b ? a : b; }

extern "C" void PlantedEntry() {
    ExitProcess(static_cast<UINT>(Larger(static_cast<int>(GetTickCount()), 1000)));
}

asm(R"(
    .text
planted_newer:
    fcmovb %st(1), %st
    fcomi %st(1), %st
    fucomip %st(1), %st
    bswap %eax
    lock cmpxchg %ebx, (%ecx)
    cmpxchg8b (%esi)
    xadd %eax, (%edx)
    cpuid
    rdtsc
    rdmsr
    wrmsr
    rdpmc
    sysenter
    syscall
    invlpg (%eax)
    invd
    wbinvd
    nopl 0x0(%eax,%eax,1)
    emms
    paddb %mm1, %mm0
    movd %eax, %mm0
    addps %xmm1, %xmm0
    vaddps %ymm1, %ymm2, %ymm3
    fisttpl (%eax)
    fxsave (%eax)
    ffreep %st(1)
    popcnt %eax, %ebx
    lfence
    endbr32
    mov %cr4, %eax
    ret
planted_older:
    .byte 0x8d, 0x74, 0x26, 0x00    # lea 0x0(%esi,%eiz,1),%esi, a padding of the assembler
    xchg %ax, %ax
    nop
    bsf %eax, %ebx
    shld $3, %eax, %ebx
    btc %eax, (%ecx)
    setne %al
    movzbl (%eax), %ebx
    movswl %ax, %ecx
    imul $3, %eax, %ebx
    rep movsb
    repz cmpsb
    lock incl (%eax)
    fucom %st(1)
    fucompp
    fcom %st(1)
    fcompp
    fsincos
    fprem1
    fldt (%eax)
    fistpll (%eax)
    fnstsw %ax
    ffree %st(1)
    enter $8, $0
    leave
    jecxz 1f
    loop 1f
1:  xlat
    mov %cr0, %eax
    mov %fs:0x0, %eax
    cltd
    ud2
    pause
    lret
)");
