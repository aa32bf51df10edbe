#include "framework/ui/print_batch.h"

#include "framework/core/guards.h"
#include "framework/ui/frm_dados_ger_rel.h"

#include <exception>

namespace kpv::ui {

TPrintBatch::TPrintBatch(TfrmDadosGerRel& screen)
    : screen_(screen), outer_(screen.printBatch_), failures_(std::uncaught_exceptions()) {
    screen_.printBatch_ = this;
}

TPrintBatch::~TPrintBatch() noexcept(false) {
    screen_.printBatch_ = outer_;
    if (outer_) {
        outer_->files_ += files_;
        return;
    }
    if (files_.isEmpty()) return;
    // Also when an error stopped the run: that error is the one the user is told next, not the box's own.
    CloseGuard(failures_, [this] { screen_.tellFilesWritten(files_); });
}

}  // namespace kpv::ui
