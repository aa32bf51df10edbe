#pragma once

// Building blocks of the filter screen's layout, shared by the files that lay out its rows and groups.
#include "framework/ui/control.h"

#include <QFont>
#include <QString>

class QWidget;

namespace kpv::data {
class TDataSource;
}
namespace kpv::ui {
class TBtnPesquisa;
class TEdit;
class TGroupBox;
class TLabel;
}  // namespace kpv::ui

namespace Cli_kpv41100::layout {

using kpv::ui::TBounds;

// Where the filter screen puts its controls, in pixels of its 8-point face. Edits are 21 high; captions take
// the height of their text. Places inside a group are the group's own.
struct Places {
    TBounds window{304, 163, 694, 215};   // a dialog of fixed size
    TBounds fields{0, 0, 639, 215};       // grbDadosRel
    TBounds buttons{639, 0, 55, 215};     // panMenu, right of the fields
    TBounds upperBevel{2, 15, 635, 50};   // bvl2, around the branch and registration rows
    TBounds seriesBevel{2, 65, 635, 31};  // bvl1, around the series row

    TBounds branchCaption{6, 16, 116};     // lblFilial
    TBounds branchCode{127, 13, 50, 21};   // medCdFilial
    QPoint branchLookup{183, 13};          // btpFiliEmit
    TBounds branchName{209, 13, 351, 21};  // edtFiliEmit

    TBounds stateCaption{6, 41, 87};              // lblInscEsta
    TBounds stateRegistration{127, 38, 128, 21};  // edtCdInscEsta
    QPoint stateLookup{261, 38};                  // btnInscrEstad
    TBounds cityCaption{310, 41, 92};             // lblInscMuni
    TBounds cityRegistration{407, 38, 128, 21};   // edtCdInscMuni
    QPoint cityLookup{541, 38};                   // btpInscrMunicip

    TBounds seriesCaption{6, 72, 37};     // lblSerie
    TBounds seriesCode{127, 69, 55, 21};  // edtCdSerie
    QPoint seriesLookup{188, 69};         // btpSerieNF

    TBounds clientGroup{2, 96, 635, 43};    // grbDest
    TBounds clientCaption{8, 16, 56};       // lblInscricao
    TBounds clientNumber{62, 12, 135, 21};  // medCliente
    QPoint clientLookup{200, 13};           // btpCliente
    TBounds clientName{226, 12, 399, 21};   // edtNmCliente

    TBounds datesGroup{6, 140, 187, 68};   // grbDtSaida
    TBounds initialCaption{6, 18, 40};     // lblInicial
    TBounds finalCaption{6, 43, 40};       // lblFinal
    TBounds initialDate{48, 15, 113, 21};  // depSaidIni
    TBounds finalDate{48, 40, 113, 21};    // depSaidFim

    TBounds operationGroup{195, 140, 225, 68};  // grbTipoOper
    TBounds direction{13, 18, 172, 21};         // cbbIdOperacao
    TBounds allTypes{13, 46, 58, 17};           // rdgTodosTipoOper
    TBounds listedTypes{82, 46, 48, 17};        // rdgListaTipoOper
    QPoint typesLookup{142, 43};                // btpTipoOper

    TBounds situationGroup{422, 140, 213, 68};  // grbSituacao
    TBounds notIssued{6, 18, 100, 17};          // chbNaoEmitido
    TBounds issued{118, 18, 86, 17};            // chbEmitido
    TBounds substituted{7, 41, 169, 17};        // chbSubstituido
};

inline constexpr Places kPlaces{};

// 8-point "MS Sans Serif", or a face of similar width where it is missing.
QFont PlainFont();
// Row captions and group captions are bold.
QFont CaptionFont();

// A bold row caption that hands the focus to its field.
kpv::ui::TLabel* Caption(QWidget* parent, const QString& name, const QString& caption, QWidget* focusControl,
                         const TBounds& place);

// A field the user types a code into: upper case, info-background colour.
kpv::ui::TEdit* CodeEdit(QWidget* parent, const QString& name, int maxLength, const TBounds& place);

// A display-only field beside a code: disabled, no tab stop, button-face colour.
kpv::ui::TEdit* NameEdit(QWidget* parent, const QString& name, const TBounds& place);

kpv::ui::TBtnPesquisa* LookupButton(QWidget* parent, const QString& name, QWidget* associate,
                                    const QString& title, kpv::data::TDataSource* source,
                                    const QString& emptyError, QPoint place);

// Gives the group a bold caption while its controls keep the plain face.
void BoldCaption(kpv::ui::TGroupBox* group);

}  // namespace Cli_kpv41100::layout
