#include "appserver/method_rights.h"

#include <map>

namespace kpv::server {

const MethodRule& RuleOf(const QString& method) {
    using accounts::Right;
    static const std::map<QString, MethodRule> rules = {
        {QStringLiteral("PreparaImpressao"),
         {Right::Emitir, QStringLiteral("Usuário %1 sem permissão para emitir o RPS."), true}},
        {QStringLiteral("CancelaEmissao"),
         {Right::Cancelar, QStringLiteral("Usuário %1 sem permissão para cancelar a emissão do RPS."), true}},
        // The DPS is the RPS on its way to becoming an NFS-e: whoever may issue it may make its document.
        {QStringLiteral("GeraDPS"),
         {Right::Emitir, QStringLiteral("Usuário %1 sem permissão para gerar a DPS do RPS."), true}},
    };
    static const MethodRule reading;
    const auto found = rules.find(method);
    return found == rules.end() ? reading : found->second;
}

}  // namespace kpv::server
