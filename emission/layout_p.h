#pragma once

// Where the emission screen puts its controls, in pixels of its 8-point face: one table for the files that
// lay out the window, the company strip and the invoice list.
#include "framework/ui/control.h"

namespace Cli_kpv41000::layout {

using kpv::ui::TBounds;

struct Places {
    TBounds window{175, 178, 1078, 410};  // the MDI child window

    // The toolbar, over the base screen's: the same width for its buttons, the close button at their end,
    // and the screen's own buttons between the report buttons and it.
    int buttonsWidth = 329;         // panBotoes
    int closeLeft = 304;            // sbtCancel
    QPoint find{139, 2};            // sbtProcurar
    QPoint refresh{160, 2};         // sbtVerificar
    QPoint filter{195, 2};          // sbtFiltro
    QPoint cancelEmission{231, 2};  // sbtCancelaEmissao
    int reportNamesWidth = 400;     // cbbReportNames

    // The company strip along the top of the list.
    int companyStripHeight = 30;           // panFiltro
    TBounds companyCaption{8, 8, 62};      // lblEmpresa
    TBounds companyCode{72, 4, 30, 21};    // medCdEmpresa
    QPoint companyLookup{105, 4};          // btpEmpresa
    TBounds companyName{129, 4, 450, 21};  // edtNmEmpresa

    // The invoice list: a thin bevel over it, the navigator strip under it.
    int gridBevelHeight = 7;           // Bevel1
    int navigatorStripHeight = 21;     // panNavigator
    TBounds navigator{2, 1, 108, 18};  // dbnPadrao
    QPoint footer{121, 3};             // dbtNome, as wide as its text
};

inline constexpr Places kPlaces{};

}  // namespace Cli_kpv41000::layout
