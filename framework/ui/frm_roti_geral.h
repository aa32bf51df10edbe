#pragma once

#include "framework/core/messages.h"
#include "framework/framework_export.h"
#include "framework/ui/button_flat.h"
#include "framework/ui/containers.h"
#include "framework/ui/controls.h"
#include "framework/ui/form.h"

namespace kpv::ui {

// The dialog base screen: a content group on the left and, on the right, a side panel with the confirm
// and cancel buttons and the screen code.
class KPV_FRAMEWORK_EXPORT TfrmRotiGeral : public TForm {
    Q_OBJECT
  public:
    explicit TfrmRotiGeral(QWidget* owner);

    void FormCreate(QObject* Sender) override;
    // Closes the dialog without confirming.
    virtual void sbtCancelClick(QObject* Sender);

    TLabel* lblCodTela;
    TGroupBox* grbDadosRel;
    TPanel* panMenu;
    TPanel* panBotoes;
    TButtonFlat* sbtConfirma;
    TButtonFlat* sbtCancel;
    TMessages* msgPadrao;
};

}  // namespace kpv::ui
