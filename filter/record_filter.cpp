#include "filter/record_filter.h"

#include "framework/core/routines.h"
#include "protocol/codes.h"

namespace Cli_kpv41100 {

using kpv::protocol::kAll;

TNotaFiscalArgs NotaFiscalArgs(const TRecordFilter& filter, const QString& stCdEmpresa,
                               const QString& listaTipoOper, const QString& situacaoRPS) {
    return {
        filter.stCdFilial,
        filter.boTodosTipoOper ? QString(kAll) : listaTipoOper,
        stCdEmpresa,
        filter.stCdInscEsta,
        filter.stCdInscMuni,
        filter.stCdSerie,
        kpv::EmptyString(filter.stCliente) ? QString(kAll) : filter.stCliente,
        filter.dtSaidIni,
        filter.dtSaidFim,
        QString(filter.nrIdOperacao == 0 ? kpv::protocol::kSaida : kpv::protocol::kEntrada),
        situacaoRPS,
    };
}

}  // namespace Cli_kpv41100
