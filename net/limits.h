#pragma once

// Caps on what a peer can make the network client hold or wait for. Every
// growable buffer of the client is bounded by one of these.

#include <cstdint>

namespace net {

// One line of a response head: the status line, a header line, a chunk-size
// line or a trailer line. A longer line fails the request (10055).
inline constexpr int kMaxHeaderLineLength = 32 * 1024;

// All lines of one response head together, and separately all trailer
// lines of one chunked body.
inline constexpr int64_t kMaxHeaderBlockSize = 256 * 1024;

// Interim (1xx) responses skipped before the final one.
inline constexpr int kMaxInterimResponses = 8;

// Empty lines tolerated before a status line or a chunk-size line.
inline constexpr int kMaxEmptyLinesSkipped = 64;

// A response body held in memory.
inline constexpr int64_t kMaxDocumentSize = int64_t{1} << 30;

// Memory committed at once for a body whose length the server announced
// (the address space for a whole body is reserved anyway); a longer body
// is committed further as it arrives, so that an announcement alone cannot
// claim much memory.
inline constexpr int64_t kMaxBodyReservation = int64_t{256} << 20;

// The cookie jar of one host: a cookie (name, "=" and value) longer than
// this is ignored; beyond the count or the bytes of the Cookie line the jar
// makes (which servers take in one header line), the oldest cookies go.
inline constexpr int kMaxCookieSize = 4096;
inline constexpr int kMaxCookies = 180;
inline constexpr int64_t kMaxCookieBytes = 16 * 1024;

// Bytes read and dropped when a connection is closed with data still
// arriving (so that closing does not reset it).
inline constexpr int64_t kMaxDrainBytes = 256 * 1024;

// Host-name lookups running at once on threads of their own. A resolver
// that does not answer keeps its threads until it does; a socket that finds
// no room waits for some within its own time-out and stop flag.
inline constexpr int kMaxLookupThreads = 16;

// Every wait is cut into slices of this many milliseconds so that a stop
// request set from another thread is seen quickly.
inline constexpr int kStopCheckInterval = 50;

}  // namespace net
