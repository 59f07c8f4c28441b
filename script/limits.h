#pragma once

// Caps on what the script engine accepts from script text and XML input, and
// on what a running script may take. Every recursive walk over untrusted
// input is bounded by one of these.

#include <cstddef>
#include <cstdint>

namespace script {

// Nesting budget of the grammar matcher: one unit per rule or element being
// matched at the same time. A parenthesis level of an expression costs six,
// a nested statement seven, so real scripts stay far below it; deeper text
// is a compile error. At the cap the matcher uses about 650 KB of stack in
// a debug build (250 KB optimised), well inside a thread's 2 MB.
inline constexpr int kMaxMatchDepth = 1000;

// Budget a unit named in "uses" takes from the matcher's depth when it is
// parsed by a nested parser (its frames are larger than a rule's).
inline constexpr int kUnitDepthCost = 50;

// Deepest element nesting the small-XML reader accepts. The matcher's budget
// bounds the depth of an intermediate form it writes, so this is above it.
inline constexpr int kMaxXmlDepth = 2000;

// Longest script text the tokenizer takes (positions are 32-bit).
inline constexpr long long kMaxSourceSize = 0x7FFFFF00;

// Stack a run of script code may use below its outermost entry before a
// call raises "Stack overflow". Threads that run scripts have at least 1 MB
// (Windows' default for the program's threads); the budget leaves room for
// the host code around the run and for one call level's expressions.
inline constexpr intptr_t kMaxRunStackBytes = 512 * 1024;

// Most elements the array variables of one compiled script may declare
// together (each element is a 16-byte Variant, and a procedure's local
// array is made afresh on every call). Scripts hold a few small arrays.
inline constexpr int64_t kMaxArrayElements = int64_t{1} << 16;

// Longest string a script's "+" builds (a result page is a few hundred KB).
inline constexpr size_t kMaxStringLength = size_t{1} << 26;

}  // namespace script
