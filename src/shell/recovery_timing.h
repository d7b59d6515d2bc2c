// When the recovery copy is written: soon after a finished change, never
// more than once a second, never while a stroke is under way. Plain state
// and arithmetic on a millisecond clock (GetTickCount's, wrapping), so tests
// drive it with a clock of their own.
#pragma once
#include <cstdint>

// The shortest time between two writes, in milliseconds.
constexpr uint32_t kRecoveryWriteGap = 1000;

struct RecoveryTiming {
    bool pending = false;       // a finished change is not yet on disk
    bool everWritten = false;   // lastWrite holds a time
    uint32_t lastWrite = 0;     // when the last write happened
};

// Caller: the shell, on seeing a finished change (a new state of the map).
void noteFinishedChange(RecoveryTiming& timing);
// Caller: the shell's loop, each turn. Whether to write the copy now: a
// change waits, no stroke is under way, and the last write is at least
// kRecoveryWriteGap ago. A change finished at t is so written by
// t + kRecoveryWriteGap unless a stroke holds it back.
bool recoveryWriteDue(const RecoveryTiming& timing, uint32_t now, bool strokeUnderWay);
// Caller: the shell, after the write (also a failed one: no retry storm).
void noteRecoveryWritten(RecoveryTiming& timing, uint32_t now);
