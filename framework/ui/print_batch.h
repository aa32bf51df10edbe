#pragma once

#include "framework/framework_export.h"

#include <QStringList>

namespace kpv::ui {

class TfrmDadosGerRel;

// Opened by a screen around a run of prints. While it is open, the PDF files the report screen writes on
// a machine without a printer are collected instead of told one by one; closing it tells them in one
// box: the file when there is one, the folder and how many when there are more. A run that stops by an
// error still tells what it wrote.
class KPV_FRAMEWORK_EXPORT TPrintBatch {
  public:
    explicit TPrintBatch(TfrmDadosGerRel& screen);
    ~TPrintBatch() noexcept(false);
    TPrintBatch(const TPrintBatch&) = delete;
    TPrintBatch& operator=(const TPrintBatch&) = delete;

  private:
    friend class TfrmDadosGerRel;

    TfrmDadosGerRel& screen_;
    TPrintBatch* outer_;  // a batch opened inside another hands its files to it
    int failures_;        // errors already on their way out when the batch opened
    QStringList files_;
};

}  // namespace kpv::ui
