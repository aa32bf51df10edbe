#include "framework/data/grid_model.h"

#include "framework/data/data_source.h"

#include <exception>

namespace kpv::data {

TDataSetModel::TDataSetModel(QObject* parent) : QAbstractTableModel(parent) {}

void TDataSetModel::SetDataSource(TDataSource* source) {
    if (source_) disconnect(source_, nullptr, this, nullptr);
    source_ = source;
    if (source_) {
        connect(source_, &TDataSource::dataSetReplaced, this, &TDataSetModel::reset);
        connect(source_, &TDataSource::dataSetChanged, this, &TDataSetModel::dataSetChanged);
        connect(source_, &TDataSource::recordChanged, this, &TDataSetModel::recordChanged);
        connect(source_, &TDataSource::destroyed, this, &TDataSetModel::reset);
    }
    reset();
}

void TDataSetModel::SetColumns(std::vector<TModelColumn> columns) {
    declared_ = std::move(columns);
    reset();
}

TClientDataSet* TDataSetModel::DataSet() const {
    return source_ ? source_->DataSet() : nullptr;
}

TField* TDataSetModel::FieldOf(int column) const {
    if (column < 0 || column >= static_cast<int>(fields_.size())) return nullptr;
    return fields_[static_cast<size_t>(column)];
}

std::vector<TModelColumn> TDataSetModel::effectiveColumns() const {
    if (!declared_.empty()) return declared_;
    std::vector<TModelColumn> columns;
    if (const TClientDataSet* dataSet = DataSet()) {
        for (const TField* field : dataSet->Fields()) {
            if (field->Visible) columns.push_back({field->FieldName(), field->DisplayLabel, {}, {}});
        }
    }
    return columns;
}

void TDataSetModel::reset() {
    beginResetModel();
    columns_ = effectiveColumns();
    fields_.clear();
    const TClientDataSet* dataSet = DataSet();
    for (const TModelColumn& column : columns_) {
        fields_.push_back(dataSet ? dataSet->FindField(column.fieldName) : nullptr);
    }
    rows_ = dataSet && dataSet->Active() ? dataSet->RecordCount() : 0;
    endResetModel();
}

void TDataSetModel::dataSetChanged() {
    const TClientDataSet* dataSet = DataSet();
    const int rows = dataSet && dataSet->Active() ? dataSet->RecordCount() : 0;
    // Fields made by a load (a data set without declared fields) change the shape as well.
    if (rows != rows_ || (declared_.empty() && effectiveColumns().size() != columns_.size())) {
        reset();
        return;
    }
    if (rows_ > 0 && !columns_.empty()) {
        Q_EMIT dataChanged(index(0, 0), index(rows_ - 1, static_cast<int>(columns_.size()) - 1));
    }
}

void TDataSetModel::recordChanged(int recNo) {
    if (recNo < 0 || recNo >= rows_ || columns_.empty()) return;
    Q_EMIT dataChanged(index(recNo, 0), index(recNo, static_cast<int>(columns_.size()) - 1));
}

int TDataSetModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int TDataSetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant TDataSetModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::TextAlignmentRole)) return {};
    const TField* field = FieldOf(index.column());
    const TClientDataSet* dataSet = DataSet();
    if (!field || !dataSet || index.row() >= dataSet->RecordCount()) return {};
    if (role == Qt::TextAlignmentRole) {
        const bool number =
            field->DataType() == TFieldType::ftFloat || field->DataType() == TFieldType::ftInteger;
        return static_cast<int>(Qt::AlignVCenter | (number ? Qt::AlignRight : Qt::AlignLeft));
    }
    const TClientDataSet::PaintRecord reading(dataSet, index.row());
    // A text handler that fails leaves its cell empty: a message box cannot open in the middle of a
    // paint, and the same failure would come back with every repaint.
    try {
        return field->DisplayText();
    } catch (const std::exception&) {
        return QString();
    }
}

QVariant TDataSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= static_cast<int>(columns_.size())) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    const TModelColumn& column = columns_[static_cast<size_t>(section)];
    switch (role) {
        case Qt::DisplayRole:
            return column.title;
        case Qt::TextAlignmentRole:
            return static_cast<int>(column.titleAlignment);
        case Qt::FontRole:
            return column.titleFont ? QVariant(*column.titleFont) : QVariant();
        default:
            return {};
    }
}

Qt::ItemFlags TDataSetModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

}  // namespace kpv::data
