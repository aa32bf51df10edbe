#pragma once

#include "protocol/protocol_export.h"

#include <QDate>
#include <QLatin1String>
#include <QString>
#include <QVariantList>

#include <span>

// What both ends know of the remote data module: its name, its methods, the kinds of their
// arguments in order and the shape of their payloads (docs/protocol.md, section 5).
namespace kpv::protocol {

inline constexpr QLatin1String kServerName{"Kpv41000.rdmEmissaoRPS"};
// The call a connection makes before any other (db/database_witness.h).
inline constexpr QLatin1String kIdentificaBanco{"IdentificaBanco"};

enum class ArgKind { Text, Date };
enum class PayloadKind { DataPacket, StatusArray };

// The methods, for the server to run each by a switch the compiler checks is complete.
enum class Method {
    GetNotaFiscal,
    GetTipoOper,
    GetInscrMunicip,
    IdentificaBanco,
    PreparaImpressao,
    CancelaEmissao,
    GeraDPS,
};

struct MethodLayout {
    Method method;
    QLatin1String name;
    std::span<const ArgKind> args;
    PayloadKind payload;
    bool writes;  // changes the database: the server runs it with the other writes
};

KPV_PROTOCOL_EXPORT std::span<const MethodLayout> Methods();
// Letter case as written; null when the module has no such method.
KPV_PROTOCOL_EXPORT const MethodLayout* FindMethod(const QString& name);

// The eleven arguments of GetNotaFiscal, in the order they travel. Texts except the two exit dates.
struct KPV_PROTOCOL_EXPORT NotaFiscalArgs {
    QString stCdFilial;    // branch; empty: every branch of the company
    QString stTipoOper;    // kAll, or operation keys joined by commas
    QString stCdEmpresa;   // company
    QString stCdInscEsta;  // state registration; empty: any
    QString stCdInscMuni;  // municipal registration; empty: any
    QString stCdSerie;     // series; empty: any
    QString stCliente;     // client's registration number, or kAll
    QDate dtSaidIni;
    QDate dtSaidFim;
    QString stIdOperacao;   // kSaida or kEntrada
    QString stSituacaoRPS;  // a situation list (codes.h)

    QVariantList toList() const;
    // From arguments already checked against the method's layout.
    static NotaFiscalArgs fromList(const QVariantList& args);

    bool operator==(const NotaFiscalArgs&) const = default;
};

}  // namespace kpv::protocol
