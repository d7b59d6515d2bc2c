#include "shell/recovery_timing.h"

void noteFinishedChange(RecoveryTiming& timing) { timing.pending = true; }

bool recoveryWriteDue(const RecoveryTiming& timing, uint32_t now, bool strokeUnderWay) {
    if (!timing.pending || strokeUnderWay) return false;
    // Unsigned difference: right across the clock's wrap after 49.7 days.
    return !timing.everWritten || now - timing.lastWrite >= kRecoveryWriteGap;
}

void noteRecoveryWritten(RecoveryTiming& timing, uint32_t now) {
    timing.pending = false;
    timing.everWritten = true;
    timing.lastWrite = now;
}
