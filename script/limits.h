#pragma once

// Caps on what the script engine accepts from script text and XML input, and
// on what a running script may take. Every recursive walk over untrusted
// input is bounded by one of these.

#include <cstddef>
#include <cstdint>

namespace script {

// The stack of the threads that compile and run scripts, the program's main
// thread among them: reserved address space, taken into use as the stack
// grows. Set once, for the program, its tests and its fuzzing, by the build
// (SERPLOW_STACK_SIZE).
inline constexpr size_t kScriptStackSize = SERPLOW_STACK_SIZE;

// Stack kept free below the deepest recursion of a compile or a run, for
// the host code a script calls down there and for unwinding; a recursion
// that would go deeper is a compile error ("Program is nested too deeply")
// or, at run time, EStackOverflow. Sanitizers make frames several times
// larger.
#if defined(__SANITIZE_ADDRESS__)
#define SCRIPT_STACK_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SCRIPT_STACK_SANITIZED 1
#endif
#endif
#ifdef SCRIPT_STACK_SANITIZED
inline constexpr size_t kStackReserve = size_t{1} << 20;
#else
inline constexpr size_t kStackReserve = size_t{256} << 10;
#endif

// Nesting budget of the grammar matcher: one unit per rule or element being
// matched at the same time. A parenthesis level of an expression costs six,
// a nested statement seven, an "else if" nine, so a chain of a thousand of
// them fits; deeper text is a compile error, as is text that would leave
// less than kStackReserve of the thread's stack.
inline constexpr int kMaxMatchDepth = 12000;

// Budget a unit named in "uses" takes from the matcher's depth when it is
// parsed by a nested parser (its frames are larger than a rule's).
inline constexpr int kUnitDepthCost = 50;

// Deepest element nesting the small-XML reader accepts. The matcher's budget
// bounds the depth of an intermediate form it writes, so this is above it.
inline constexpr int kMaxXmlDepth = 2000;

// Longest script text the tokenizer takes (positions are 32-bit).
inline constexpr long long kMaxSourceSize = 0x7FFFFF00;

// Stack a compile or a run may use on a thread whose stack bounds the
// platform does not tell.
inline constexpr size_t kUnknownStackBudget = size_t{512} << 10;

// Memory a program's strings and arrays may take together unless its host
// sets another limit (TscScript::SetMemoryLimit): its variables, its
// temporaries and what it hands back. Engine scripts hold a few result
// pages of a few hundred KB each. The array variables a program declares
// are made when it compiles and must fit it too.
inline constexpr size_t kDefaultMemoryLimit = size_t{512} << 20;

// Longest string a script builds, by "+" or by any built-in function (a
// result page is a few hundred KB).
inline constexpr size_t kMaxStringLength = size_t{1} << 26;

// Work of string and array operations counted as one step of the step
// limit: a loop that copies megabytes spends its budget as fast as one that
// iterates as often. Long operations charge their work in pieces of
// kWorkChunkBytes, so that Stop ends them within milliseconds.
inline constexpr uint64_t kWorkBytesPerStep = 4096;
inline constexpr size_t kWorkChunkBytes = size_t{1} << 20;

}  // namespace script
