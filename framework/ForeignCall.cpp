#include "framework/ForeignCall.h"

// The thunk keeps the stack pointer in its frame pointer, so whatever the
// called function leaves on the stack (its arguments, or nothing) is dropped
// by restoring it. The arguments are copied onto a 16-byte aligned block.
// esi and ebp, which the thunk uses, are preserved by the called function in
// both conventions.
#if defined(__i386__) && defined(__GNUC__)
// A function without the compiler's entry and exit code, so that the
// compiler places it (and what follows it) in its sections as any other.
extern "C" __attribute__((naked))
uint32_t __cdecl CallRestoringStack(FARPROC, const uint32_t*, size_t) {
    asm(R"(
    pushl %ebp
    movl %esp, %ebp
    pushl %esi
    movl 12(%ebp), %esi
    movl 16(%ebp), %ecx
    leal 0(,%ecx,4), %eax
    subl %eax, %esp
    andl $-16, %esp
    xorl %edx, %edx
1:  cmpl %ecx, %edx
    jae 2f
    movl (%esi,%edx,4), %eax
    movl %eax, (%esp,%edx,4)
    incl %edx
    jmp 1b
2:  call *8(%ebp)
    leal -4(%ebp), %esp
    popl %esi
    popl %ebp
    ret
)");
}
#elif defined(_M_IX86) && defined(_MSC_VER)
extern "C" __declspec(naked) uint32_t __cdecl CallRestoringStack(FARPROC, const uint32_t*, size_t) {
    __asm {
        push ebp
        mov ebp, esp
        push esi
        mov esi, [ebp + 12]
        mov ecx, [ebp + 16]
        lea eax, [ecx * 4]
        sub esp, eax
        and esp, -16
        xor edx, edx
    copy:
        cmp edx, ecx
        jae call_it
        mov eax, [esi + edx * 4]
        mov [esp + edx * 4], eax
        inc edx
        jmp copy
    call_it:
        call dword ptr [ebp + 8]
        lea esp, [ebp - 4]
        pop esi
        pop ebp
        ret
    }
}
#elif defined(_M_IX86) || defined(__i386__)
#error "CallRestoringStack needs a thunk for this compiler"
#endif
