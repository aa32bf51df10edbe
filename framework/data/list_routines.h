#pragma once

#include "framework/framework_export.h"

#include <QString>

namespace kpv {

namespace data {
class TClientDataSet;
class TDataSource;
}  // namespace data

// The find dialog over a data set: the user picks a visible field and types a text; the first record
// after the current one (wrapping round to it) whose shown text of that field contains the text,
// letter case ignored, becomes current. None: the information "Registro não encontrado.".
KPV_FRAMEWORK_EXPORT void Procura(data::TClientDataSet* dataSet);

// The multi-selection list over the data source's rows, titled `title`. Rows whose key (the value of
// `keyField`) is in `list` start marked. On OK, `list` receives the marked rows' keys in row order
// joined by commas, e.g. "001,004,007"; with `flag` each key is put between single quotes
// ("'001','004'"). Keys must not contain commas. Giving up leaves `list` as it was.
KPV_FRAMEWORK_EXPORT void PesquisaLista(data::TDataSource* source, const QString& keyField,
                                        const QString& title, bool flag, QString& list);

}  // namespace kpv
