#pragma once

#include <exception>
#include <utility>

namespace kpv {

// Runs `step` when the scope it guards ends by an error, which then travels on: the "on error" half of a
// handler, written once instead of a try/catch that rethrows.
template <typename Step>
class TOnFailure {
  public:
    explicit TOnFailure(Step step) : step_(std::move(step)), failures_(std::uncaught_exceptions()) {}
    ~TOnFailure() {
        if (std::uncaught_exceptions() > failures_) step_();
    }
    TOnFailure(const TOnFailure&) = delete;
    TOnFailure& operator=(const TOnFailure&) = delete;

  private:
    Step step_;
    int failures_;
};

// The closing step of a guard, run from its destructor. While an error raised inside the guard is on its
// way out, an error of the step is dropped so that the first one travels on: a second error leaving a
// destructor during the unwinding would end the program. Otherwise the step's error travels as any does.
template <typename Step>
void CloseGuard(int failuresAtStart, const Step& step) {
    if (std::uncaught_exceptions() == failuresAtStart) {
        step();
        return;
    }
    try {
        step();
    } catch (...) {
    }
}

}  // namespace kpv
