#pragma once
// Calls a function of a library that states no calling convention. On
// 32-bit Windows such a function may take its arguments off the stack itself
// (standard call) or leave that to its caller (C call); calling one as the
// other unbalances the caller's stack. The call goes through a thunk that
// keeps the stack pointer and puts it back afterwards, so either works. On
// 64-bit Windows there is one convention and the call is made directly.
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "framework/Win32.h"

#if defined(_M_IX86) || defined(__i386__)
// Pushes count words from arguments (the first one last, so that it ends on
// top), calls function and restores the stack pointer; gives the function's
// result register.
extern "C" uint32_t __cdecl CallRestoringStack(FARPROC function, const uint32_t* arguments,
                                               size_t count);
#endif

// One argument as the word it is passed in.
template <class Argument> uintptr_t ForeignWord(Argument argument) {
    if constexpr (std::is_pointer_v<Argument>)
        return reinterpret_cast<uintptr_t>(argument);
    else
        return static_cast<uintptr_t>(argument);
}

// Calls function with arguments (integers of at most a word, or pointers)
// and gives its result as Result (an integer of at most 32 bits; a smaller
// one takes the result register's low bytes, as such a function leaves it).
template <class Result, class... Arguments>
Result CallForeign(FARPROC function, Arguments... arguments) {
    static_assert(std::is_integral_v<Result> && sizeof(Result) <= 4, "a result of one register");
#if defined(_M_IX86) || defined(__i386__)
    const uint32_t words[] = {static_cast<uint32_t>(ForeignWord(arguments))..., 0};
    return static_cast<Result>(CallRestoringStack(function, words, sizeof...(Arguments)));
#else
    return reinterpret_cast<Result (*)(Arguments...)>(reinterpret_cast<void*>(function))(
        arguments...);
#endif
}
