#pragma once

// Unit of the emission screen: its single instance and the entry that creates and shows it.
#include "emission/frm_emissao_rps.h"

#include <QPointer>

namespace Cli_kpv41000 {

// The emission screen. It keeps pointing at a closed screen until the next creation, and reads as null
// once that screen has been released.
extern QPointer<TfrmEmissaoRPS> frmEmissaoRPS;
// An emission screen exists.
extern bool boCriado;
// The last title click of the tick column ticked every eligible invoice; one per module.
extern bool boTodosMarcados;

void CriaEmissaoRPS();

void Initialization();
void Finalization();

}  // namespace Cli_kpv41000
