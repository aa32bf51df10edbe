#pragma once

#include "framework/framework_export.h"
#include "protocol/data_packet.h"

#include <QDateTime>
#include <QString>
#include <QVariant>

#include <functional>

namespace kpv::data {

class TClientDataSet;
class TField;

using TFieldType = protocol::TFieldType;
// Supplies the text shown for a field; DisplayText tells the grid's text from the edit text.
using TFieldGetTextEvent = std::function<void(TField* Sender, QString& Text, bool DisplayText)>;

// One field of a data set. Its value is that of the data set's current record, or of the record a
// TClientDataSet::PaintRecord guard is reading; in edit state, the value being edited.
class KPV_FRAMEWORK_EXPORT TField {
  public:
    TField(TClientDataSet* dataSet, int index, const QString& name, TFieldType type, int size);
    TField(const TField&) = delete;
    TField& operator=(const TField&) = delete;

    TClientDataSet* DataSet() const { return dataSet_; }
    int Index() const { return index_; }
    const QString& FieldName() const { return name_; }
    TFieldType DataType() const { return type_; }
    int Size() const { return size_; }

    QString DisplayLabel;  // the field name until set
    bool Visible = true;
    bool Required = false;
    // A number pattern such as "###,##0.00" (see FormatFloat); empty shows the plain number.
    QString DisplayFormat;
    int DisplayWidth;  // in characters
    TFieldGetTextEvent OnGetText;

    bool IsNull() const;
    QString AsString() const;
    double AsFloat() const;
    QDateTime AsDateTime() const;
    QVariant AsVariant() const;

    // Only in edit state. A text is converted to the field's type (pt-BR numbers and dates); a value
    // that does not fit raises kpv::Error and leaves the field as it was.
    void SetAsString(const QString& value);
    void SetAsFloat(double value);
    void SetAsInteger(qint64 value);
    void SetAsDateTime(const QDateTime& value);
    void SetAsVariant(const QVariant& value);
    void Clear();

    // The edit text and the text shown in grids and labels; both go through OnGetText when it is set.
    QString Text() const;
    QString DisplayText() const;

  private:
    QString getText(bool displayText) const;
    QString formatted(bool displayText) const;

    TClientDataSet* dataSet_;
    int index_;
    QString name_;
    TFieldType type_;
    int size_;
};

}  // namespace kpv::data
