#pragma once

namespace quorvel {

// The exchange dialogs keep their clock as a progress bar's position: it
// counts down from `top` by `step`, and a step below 0 wraps to one step
// under the top, as the platform's bar did.
constexpr int StepCountdown(int value, int step, int top) {
    value -= step;
    return value < 0 ? value + top : value;
}

static_assert(StepCountdown(0, 250, 10000) == 9750);
static_assert(StepCountdown(10000, 250, 10000) == 9750);
static_assert(StepCountdown(5, 5, 40) == 0);

} // namespace quorvel
