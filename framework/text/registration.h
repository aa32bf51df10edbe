#pragma once

#include "framework/framework_export.h"

#include <QString>

namespace kpv {

// The edit mask of a registration number for a kind-of-person code: "J" (legal person, CNPJ) and "F"
// (natural person, CPF) have one; any other code (a foreigner's "E", none) is shown as stored.
KPV_FRAMEWORK_EXPORT QString PictPess(const QString& kind);

// Brings a registration number to the form it is stored in: its digits only. Returns whether the text
// changed.
KPV_FRAMEWORK_EXPORT bool Ajusta_Inscricao(QString& text);

}  // namespace kpv
