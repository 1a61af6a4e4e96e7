// The progress and abort channel of long operations.
//
// Every long routine reports through one IProgress: a percentage with a label
// ("%s %02d%%" in the status bar), -1 to erase the display, -2 to announce a
// large allocation ("Allocating memory"). Report returns non-zero when the
// caller should give up (the abort request); the user-interface thread's
// channel always returns 0.
#pragma once

#include <atomic>

namespace velmo {

class IProgress {
public:
    virtual ~IProgress() = default;
    // Returns non-zero when the operation should stop.
    virtual int Report(int percent, const char* label) = 0;
    // A flag that is non-zero once Report would ask to stop, for row loops
    // to check between their chunks (an abort then takes effect within a
    // chunk, not only at the next report); null when there is none.
    virtual const std::atomic<int>* StopFlag() const { return nullptr; }
};

// A channel that shows nothing and never asks to stop.
class NullProgress final : public IProgress {
public:
    int Report(int, const char*) override { return 0; }
};

NullProgress& NoProgress();

} // namespace velmo
