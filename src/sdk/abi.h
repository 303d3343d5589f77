// Calling-convention and export helpers shared by every declaration of the
// host interfaces (engine, game library, Metamod).
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#  define ZK_EXPORT extern "C" __declspec(dllexport)
#  if defined(__i386__) || defined(_M_IX86)
#    define ZK_STDCALL __stdcall
#  else
#    define ZK_STDCALL
#  endif
#else
#  define ZK_EXPORT extern "C" __attribute__((visibility("default")))
#  define ZK_STDCALL
#endif

// The 32-bit engine may call us with a stack aligned to 4 bytes only; every
// function that the host calls (entry points, hooks, command handlers, timer
// callbacks) realigns it so that compiler-generated SSE code cannot fault.
#if defined(__i386__) && defined(__GNUC__)
#  define ZK_HOST_CALLED __attribute__((force_align_arg_pointer))
#else
#  define ZK_HOST_CALLED
#endif

#if defined(__i386__) || defined(_M_IX86)
#  define ZK_ABI_32 1
#else
#  define ZK_ABI_32 0
#endif
