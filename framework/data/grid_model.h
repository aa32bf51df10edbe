#pragma once

#include <QAbstractTableModel>
#include <QFont>
#include <QPointer>

#include <optional>
#include <vector>

namespace kpv::data {

class TDataSource;
class TClientDataSet;
class TField;

// One column of the model: the field it shows and its title.
struct TModelColumn {
    QString fieldName;
    QString title;
    Qt::Alignment titleAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    std::optional<QFont> titleFont;
};

// A table model reading its data source's data set in place: cells are the fields' display texts,
// read while the fields look at the cell's row. Without columns of its own it shows the data set's
// visible fields, titled with their display labels. Read-only.
class TDataSetModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit TDataSetModel(QObject* parent = nullptr);

    TDataSource* DataSource() const { return source_; }
    void SetDataSource(TDataSource* source);
    void SetColumns(std::vector<TModelColumn> columns);

    // The field shown in a column; null when the data set has no such field.
    TField* FieldOf(int column) const;
    TClientDataSet* DataSet() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  private:
    void reset();
    void dataSetChanged();
    void recordChanged(int recNo);
    std::vector<TModelColumn> effectiveColumns() const;

    QPointer<TDataSource> source_;
    std::vector<TModelColumn> declared_;
    // What the views were told: changes of the data set are announced with these as the old shape.
    std::vector<TModelColumn> columns_;
    std::vector<TField*> fields_;
    int rows_ = 0;
};

}  // namespace kpv::data
