#pragma once

#include "accounts/rights.h"

#include <QString>

#include <optional>

namespace kpv::server {

// What a method asks of the account that calls it, and whether its calls enter the audit trail.
struct MethodRule {
    std::optional<accounts::Right> right;  // none: every active account may call it
    QString refusal;                       // the status text for an account without the right; %1 the login
    bool audited = false;                  // its first two arguments are the invoice, CDFILIAL and NRLANCTONF
};

const MethodRule& RuleOf(const QString& method);

}  // namespace kpv::server
