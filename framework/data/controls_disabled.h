#pragma once

#include "framework/core/guards.h"
#include "framework/data/client_data_set.h"

#include <exception>

namespace kpv::data {

// Freezes a data set's controls for the lifetime of the object: they are unfrozen again on success and on
// error, after which `onEnd` (e.g. going back to the first row) runs as a guard's closing step
// (CloseGuard): while an error is already on its way out, an error of `onEnd` is dropped.
class TControlsDisabled {
  public:
    explicit TControlsDisabled(TClientDataSet* dataSet, void (TClientDataSet::*onEnd)() = nullptr)
        : dataSet_(dataSet), onEnd_(onEnd), exceptionsAtStart_(std::uncaught_exceptions()) {
        dataSet_->DisableControls();
    }
    ~TControlsDisabled() noexcept(false) {
        dataSet_->EnableControls();
        if (onEnd_) CloseGuard(exceptionsAtStart_, [this] { (dataSet_->*onEnd_)(); });
    }
    TControlsDisabled(const TControlsDisabled&) = delete;
    TControlsDisabled& operator=(const TControlsDisabled&) = delete;

  private:
    TClientDataSet* dataSet_;
    void (TClientDataSet::*onEnd_)();
    int exceptionsAtStart_;
};

}  // namespace kpv::data
