#include "protocol/methods.h"

#include <array>

namespace kpv::protocol {

namespace {

using A = ArgKind;
constexpr std::array kGetNotaFiscal{A::Text, A::Text, A::Text, A::Text, A::Text, A::Text,
                                    A::Text, A::Date, A::Date, A::Text, A::Text};
constexpr std::array kThreeTexts{A::Text, A::Text, A::Text};
constexpr std::array kInvoiceKey{A::Text, A::Text};  // CDFILIAL, NRLANCTONF
constexpr std::span<const ArgKind> kNone;

constexpr std::array kMethods{
    MethodLayout{Method::GetNotaFiscal, QLatin1String("GetNotaFiscal"), kGetNotaFiscal,
                 PayloadKind::DataPacket, false},
    MethodLayout{Method::GetTipoOper, QLatin1String("GetTipoOper"), kThreeTexts, PayloadKind::DataPacket,
                 false},
    MethodLayout{Method::GetInscrMunicip, QLatin1String("GetInscrMunicip"), kThreeTexts,
                 PayloadKind::DataPacket, false},
    MethodLayout{Method::IdentificaBanco, QLatin1String("IdentificaBanco"), kNone, PayloadKind::StatusArray,
                 true},
    MethodLayout{Method::PreparaImpressao, QLatin1String("PreparaImpressao"), kInvoiceKey,
                 PayloadKind::StatusArray, true},
    MethodLayout{Method::CancelaEmissao, QLatin1String("CancelaEmissao"), kInvoiceKey,
                 PayloadKind::StatusArray, true},
    MethodLayout{Method::GeraDPS, QLatin1String("GeraDPS"), kInvoiceKey, PayloadKind::StatusArray, false},
};

}  // namespace

std::span<const MethodLayout> Methods() {
    return kMethods;
}

const MethodLayout* FindMethod(const QString& name) {
    for (const MethodLayout& m : kMethods) {
        if (name == m.name) return &m;
    }
    return nullptr;
}

QVariantList NotaFiscalArgs::toList() const {
    return {stCdFilial, stTipoOper, stCdEmpresa, stCdInscEsta, stCdInscMuni, stCdSerie,
            stCliente,  dtSaidIni,  dtSaidFim,   stIdOperacao, stSituacaoRPS};
}

NotaFiscalArgs NotaFiscalArgs::fromList(const QVariantList& a) {
    return {a.value(0).toString(), a.value(1).toString(), a.value(2).toString(), a.value(3).toString(),
            a.value(4).toString(), a.value(5).toString(), a.value(6).toString(), a.value(7).toDate(),
            a.value(8).toDate(),   a.value(9).toString(), a.value(10).toString()};
}

}  // namespace kpv::protocol
