#pragma once
// Whether the keyboard filter driver's key event record carries the time the
// driver saw the key.
//
// The driver on Windows returns the 4-byte record only; the program then
// takes the moment the read completed, which the kernel makes within
// microseconds of the key. The simulated driver (Linux) reaches the program
// over a socket, where a key queued behind another waits for a whole round
// trip between two processes, many milliseconds on a busy machine; it
// appends its own time of the key (microseconds, 64-bit little-endian, after
// the record) when the reader's buffer has room.
namespace kb {
#ifdef _WIN32
inline constexpr bool kFilterEventCarriesTime = false;
#else
inline constexpr bool kFilterEventCarriesTime = true;
#endif
}  // namespace kb
