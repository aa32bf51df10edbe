#include "framework/data/db_text.h"

#include "framework/data/data_source.h"

#include <exception>

namespace kpv::data {

TDBText::TDBText(QWidget* parent, const QString& name) : QLabel(parent) {
    setObjectName(name);
    setTextFormat(Qt::PlainText);
}

void TDBText::SetDataSource(TDataSource* source) {
    if (source_) disconnect(source_, nullptr, this, nullptr);
    source_ = source;
    if (source_) {
        for (auto signal : {&TDataSource::dataSetReplaced, &TDataSource::stateChanged,
                            &TDataSource::dataSetChanged, &TDataSource::scrolled}) {
            connect(source_, signal, this, &TDBText::refresh);
        }
        connect(source_, &TDataSource::recordChanged, this, &TDBText::refresh);
        connect(source_, &QObject::destroyed, this, [this] {
            source_ = nullptr;
            refresh();
        });
    }
    refresh();
}

void TDBText::SetDataField(const QString& fieldName) {
    dataField_ = fieldName;
    refresh();
}

void TDBText::SetFont(const QFont& font) {
    setFont(font);
    adjustSize();
}

void TDBText::refresh() {
    const TClientDataSet* dataSet = source_ ? source_->DataSet() : nullptr;
    const TField* field = dataSet ? dataSet->FindField(dataField_) : nullptr;
    QString text;
    if (field && dataSet->Active() && !dataSet->IsEmpty()) {
        // Like a grid cell, a failing text handler leaves the label empty: this runs inside the data
        // set's notifications, which must not throw.
        try {
            text = field->DisplayText();
        } catch (const std::exception&) {
            text.clear();
        }
    }
    setText(text);
    adjustSize();
}

}  // namespace kpv::data
