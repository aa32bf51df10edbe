#include "filter/record_filter.h"

#include "framework/core/routines.h"

namespace Cli_kpv41100 {

namespace {
const QString kTodos = QStringLiteral("T");
}

TNotaFiscalArgs NotaFiscalArgs(const TRecordFilter& filter, const QString& stCdEmpresa,
                               const QString& listaTipoOper, const QString& situacaoRPS) {
    return {
        filter.stCdFilial,
        filter.boTodosTipoOper ? kTodos : listaTipoOper,
        stCdEmpresa,
        filter.stCdInscEsta,
        filter.stCdInscMuni,
        filter.stCdSerie,
        kpv::EmptyString(filter.stCliente) ? kTodos : filter.stCliente,
        filter.dtSaidIni,
        filter.dtSaidFim,
        filter.nrIdOperacao == 0 ? QStringLiteral("S") : QStringLiteral("E"),
        situacaoRPS,
    };
}

}  // namespace Cli_kpv41100
