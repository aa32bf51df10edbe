#pragma once

// The filter the filter screen remembers, and how a filter becomes the arguments of the invoice query.
#include "protocol/methods.h"

#include <QDate>
#include <QString>

namespace Cli_kpv41100 {

// The last confirmed filter, or the creation defaults until the first confirmation. It lives in memory
// only, as long as the filter screen does.
struct TRecordFilter {
    int nrIdOperacao = 0;  // index of the direction combo: 0 "Saída", 1 "Entrada"
    QString stCliente;     // empty: every client
    QString stNmCliente;
    QString stListaTipoOper;  // the emission screen's ListaTipoOper as it stood at confirmation
    QString stCdFilial;
    QString stNmFilial;
    QString stCdInscEsta;
    QString stCdInscMuni;
    QString stCdSerie;
    QDate dtSaidIni;
    QDate dtSaidFim;
    bool boTodosTipoOper = false;  // "Todos" rather than "Lista"
    // The situation boxes are kept inverted, so a record nobody filled shows all three ticked.
    bool boSemNaoEmitido = false;
    bool boSemEmitido = false;
    bool boSemSubstituido = false;

    bool operator==(const TRecordFilter&) const = default;
};

// The eleven arguments of GetNotaFiscal, in the order the emission screen and the server take them.
using TNotaFiscalArgs = kpv::protocol::NotaFiscalArgs;

// The one mapping of a filter onto the query's arguments: the confirmation passes the filter on screen, the
// refresh the remembered one. Company, operation-type list and situations are the emission screen's,
// read by the caller at the moment of the call; the list is sent only when "Lista" is chosen.
TNotaFiscalArgs NotaFiscalArgs(const TRecordFilter& filter, const QString& stCdEmpresa,
                               const QString& listaTipoOper, const QString& situacaoRPS);

}  // namespace Cli_kpv41100
