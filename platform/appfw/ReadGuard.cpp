#include "ReadGuard.h"

#include <windows.h>

#include <exception>

#if defined(__i386__)

// The guard is an exception registration record of the thread's chain, with the place to go on
// from: the handler sends a fault inside the mapped bytes there, as if the work had returned.
struct GuardRecord {
    GuardRecord* next;
    void* handler;
    const char* first;
    const char* last;
    DWORD resumeEsp;
    DWORD resumeEbp;
    DWORD resumeEip;
};

extern "C" int __cdecl lw_CallGuarded(GuardRecord* record, void(__cdecl* work)(void*), void* context);

// Registers the record, calls work(context) and takes the record off again: 1 when the work
// returned, 0 when the handler resumed here. The registers a call must keep are saved on the stack
// below the frame, where the resumption finds them again.
asm(R"(
    .text
    .globl _lw_CallGuarded
_lw_CallGuarded:
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl 8(%ebp), %eax
    movl %esp, 16(%eax)
    movl %ebp, 20(%eax)
    movl $Llw_guard_resumed, 24(%eax)
    movl %fs:0, %ecx
    movl %ecx, (%eax)
    movl %eax, %fs:0
    pushl 16(%ebp)
    call *12(%ebp)
    addl $4, %esp
    movl $1, %eax
    jmp Llw_guard_leave
Llw_guard_resumed:
    xorl %eax, %eax
Llw_guard_leave:
    movl 8(%ebp), %ecx
    movl (%ecx), %edx
    movl %edx, %fs:0
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret
)");

extern "C" EXCEPTION_DISPOSITION __cdecl lw_GuardHandler(EXCEPTION_RECORD* record, void* frame, CONTEXT* context, void*)
{
    const GuardRecord* guard = static_cast<const GuardRecord*>(frame);
    if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND))
        return ExceptionContinueSearch;
    const DWORD code = record->ExceptionCode;
    if ((code != EXCEPTION_IN_PAGE_ERROR && code != EXCEPTION_ACCESS_VIOLATION) || record->NumberParameters < 2)
        return ExceptionContinueSearch;
    // Only a read of the guarded bytes: any other fault is a fault of the program.
    const char* address = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
    if (address < guard->first || address >= guard->last)
        return ExceptionContinueSearch;
    context->Esp = guard->resumeEsp;
    context->Ebp = guard->resumeEbp;
    context->Eip = guard->resumeEip;
    return ExceptionContinueExecution;
}

namespace {

struct GuardedWork {
    const std::function<void()>* work;
    std::exception_ptr thrown;
};

// No exception may pass the registration's frame, which has no unwinding information.
void __cdecl RunWork(void* context)
{
    GuardedWork* guarded = static_cast<GuardedWork*>(context);
    try {
        (*guarded->work)();
    } catch (...) {
        guarded->thrown = std::current_exception();
    }
}

} // namespace

bool CanGuardMappedReads()
{
    return true;
}

bool RunGuardingMappedReads(const void* bytes, size_t length, const std::function<void()>& work)
{
    GuardRecord record = {};
    record.handler = reinterpret_cast<void*>(&lw_GuardHandler);
    record.first = static_cast<const char*>(bytes);
    record.last = record.first + length;
    GuardedWork guarded = {&work, nullptr};
    const bool ran = lw_CallGuarded(&record, &RunWork, &guarded) != 0;
    if (guarded.thrown)
        std::rethrow_exception(guarded.thrown);
    return ran;
}

#else

bool CanGuardMappedReads()
{
    return false;
}

bool RunGuardingMappedReads(const void*, size_t, const std::function<void()>& work)
{
    work();
    return true;
}

#endif
