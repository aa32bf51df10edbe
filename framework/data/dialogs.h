#pragma once

#include "framework/core/interaction.h"

#include <QStringList>

#include <optional>

class QWidget;

namespace kpv::data {

class TClientDataSet;
class TDataSource;

// The lookup list: the data source's visible fields with their labels; returns the record number picked.
std::optional<int> ShowLookupDialog(QWidget* parent, const QString& title, TDataSource* source);

// The multi-selection list: rows marked by the user; `keys` holds the key field's values of the marked
// rows (those already in it start marked). False when the user gave up.
bool ShowMultiSelectDialog(QWidget* parent, const QString& title, TDataSource* source,
                           const QString& keyField, QStringList& keys);

// The find dialog: which field to search and for what.
std::optional<FindRequest> ShowFindDialog(QWidget* parent, TClientDataSet* dataSet);

}  // namespace kpv::data
