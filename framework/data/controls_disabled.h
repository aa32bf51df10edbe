#pragma once

#include "framework/data/client_data_set.h"

#include <exception>

namespace kpv::data {

// Freezes a data set's controls for the lifetime of the object: they are unfrozen again on success and on
// error, after which `onEnd` (e.g. going back to the first row) runs. While an error is already on its way
// out, an error of `onEnd` is dropped so that the first one travels on.
class TControlsDisabled {
  public:
    explicit TControlsDisabled(TClientDataSet* dataSet, void (TClientDataSet::*onEnd)() = nullptr)
        : dataSet_(dataSet), onEnd_(onEnd), exceptionsAtStart_(std::uncaught_exceptions()) {
        dataSet_->DisableControls();
    }
    ~TControlsDisabled() noexcept(false) {
        dataSet_->EnableControls();
        if (!onEnd_) return;
        if (std::uncaught_exceptions() == exceptionsAtStart_) {
            (dataSet_->*onEnd_)();
            return;
        }
        try {
            (dataSet_->*onEnd_)();
        } catch (...) {
        }
    }
    TControlsDisabled(const TControlsDisabled&) = delete;
    TControlsDisabled& operator=(const TControlsDisabled&) = delete;

  private:
    TClientDataSet* dataSet_;
    void (TClientDataSet::*onEnd_)();
    int exceptionsAtStart_;
};

}  // namespace kpv::data
