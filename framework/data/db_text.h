#pragma once

#include "framework/framework_export.h"

#include <QLabel>

namespace kpv::data {

class TDataSource;

// A label showing the display text of one field of its data source's current record; empty when
// the data set is closed or empty. It takes the size of its text.
class KPV_FRAMEWORK_EXPORT TDBText : public QLabel {
    Q_OBJECT
  public:
    TDBText(QWidget* parent, const QString& name);

    TDataSource* DataSource() const { return source_; }
    void SetDataSource(TDataSource* source);
    void SetDataField(const QString& fieldName);
    void SetFont(const QFont& font);

  private:
    void refresh();

    TDataSource* source_ = nullptr;
    QString dataField_;
};

}  // namespace kpv::data
