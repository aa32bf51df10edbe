#include "framework/ui/print_batch.h"

#include "framework/ui/frm_dados_ger_rel.h"

namespace kpv::ui {

TPrintBatch::TPrintBatch(TfrmDadosGerRel& screen) : screen_(screen), outer_(screen.printBatch_) {
    screen_.printBatch_ = this;
}

TPrintBatch::~TPrintBatch() {
    screen_.printBatch_ = outer_;
    if (outer_) {
        outer_->files_ += files_;
        return;
    }
    if (files_.isEmpty()) return;
    // Also while an error unwinds the run: the box must not raise another one on the way.
    try {
        screen_.tellFilesWritten(files_);
    } catch (...) {
    }
}

}  // namespace kpv::ui
