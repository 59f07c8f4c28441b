#pragma once

// Caps on what the script front end accepts from script text and XML input.
// Every recursive walk over untrusted input is bounded by one of these.

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

}  // namespace script
