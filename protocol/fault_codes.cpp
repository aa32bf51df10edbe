#include "protocol/fault_codes.h"

#include <iterator>

namespace kpv::protocol {

namespace {

using F = FaultCode;
using L = QLatin1String;

// The faults whose detail goes to the server's log are said without a full stop: the user reads the
// occurrence's id after them ("... em instantes (ocorrência 3f9a2b1c)").
constexpr FaultDefinition kFaults[] = {
    {F::BadRequest, L("bad_request"), 400, "Requisição HTTP malformada."},
    {F::HttpsRequired, L("https_required"), 400,
     "Este servidor de aplicação só aceita conexões seguras (HTTPS); a estação deve ter [server] caFile (ou "
     "tls=true) no seu kpv.ini."},
    {F::TlsNotServed, L("tls_not_served"), 400,
     "Uma conexão segura (HTTPS) chegou a este servidor de aplicação, que não usa TLS (sem tlsCert e "
     "tlsKey)."},
    {F::Unauthorized, L("unauthorized"), 401, "Token de acesso ao servidor de aplicação inválido."},
    {F::SessionRequired, L("session_required"), 401,
     "Este servidor de aplicação exige que cada usuário entre com a sua conta."},
    {F::SessionExpired, L("session_expired"), 401, nullptr},
    {F::WrongPassword, L("wrong_password"), 401, "Usuário ou senha incorretos."},
    {F::AccountInactive, L("account_inactive"), 403,
     "A conta %1 está desativada; peça ao administrador que a reative."},
    {F::NotFound, L("not_found"), 404, "Recurso inexistente: %1 (use POST /call)."},
    {F::UnknownServer, L("unknown_server"), 404, "Servidor desconhecido: \"%1\" (este publica %2)."},
    {F::UnknownMethod, L("unknown_method"), 404, "Método desconhecido em %1: \"%2\"."},
    {F::MethodNotAllowed, L("method_not_allowed"), 405, "Método HTTP %1 não aceito (use POST)."},
    {F::RequestTimeout, L("request_timeout"), 408, "A requisição não chegou inteira em %1 ms."},
    {F::PayloadTooLarge, L("payload_too_large"), 413, "Requisição grande demais: %1 bytes (máximo %2)."},
    {F::ArgumentCount, L("argument_count"), 422, "O método %1 espera %2 argumentos e recebeu %3."},
    {F::ArgumentType, L("argument_type"), 422, "O argumento %1 de %2 deve ser %3."},
    {F::InvalidArgument, L("invalid_argument"), 422, nullptr},
    {F::HeaderTooLarge, L("header_too_large"), 431, "Cabeçalho HTTP grande demais."},
    {F::TooManyAttempts, L("too_many_attempts"), 429,
     "Tokens inválidos demais vindos deste endereço; aguarde um minuto e confira o token configurado."},
    {F::DatabaseError, L("database_error"), 500, "Erro no banco de dados: %1"},
    {F::InternalError, L("internal_error"), 500, "Erro interno do servidor de aplicação"},
    {F::NotImplemented, L("not_implemented"), 501, "Corpo da requisição sem Content-Length não é suportado."},
    {F::DatabaseBusy, L("database_busy"), 503, nullptr},
    {F::DatabaseTimeout, L("database_timeout"), 503, nullptr},
    {F::DatabaseUnavailable, L("database_unavailable"), 503,
     "O banco de dados não está disponível no momento; tente novamente em instantes"},
    {F::CommitUnknown, L("commit_unknown"), 503,
     "A conexão com o banco de dados caiu enquanto a gravação era confirmada, e não se sabe se ela foi "
     "feita. Repita a operação: uma nota fiscal já emitida não recebe outro número"},
    {F::TooManyConnections, L("too_many_connections"), 503,
     "O servidor de aplicação atingiu o limite de %1 conexões simultâneas."},
};

constexpr bool inOrderOfTheCodes() {
    for (std::size_t i = 0; i < std::size(kFaults); ++i) {
        if (static_cast<std::size_t>(kFaults[i].fault) != i) return false;
    }
    return static_cast<std::size_t>(F::TooManyConnections) + 1 == std::size(kFaults);
}
static_assert(inOrderOfTheCodes(), "one row per fault code, in the order of FaultCode");

}  // namespace

std::span<const FaultDefinition> FaultDefinitions() {
    return kFaults;
}

const FaultDefinition& DefinitionOf(FaultCode fault) {
    return kFaults[static_cast<std::size_t>(fault)];
}

QString FaultText(FaultCode fault) {
    const char* text = DefinitionOf(fault).text;
    return text ? QString::fromUtf8(text) : QString();
}

}  // namespace kpv::protocol
