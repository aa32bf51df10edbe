#include "framework/data/data_source.h"

#include <algorithm>

namespace kpv::data {

TDataSource::TDataSource(QObject* parent, const QString& name) : QObject(parent) {
    setObjectName(name);
}

TDataSource::~TDataSource() {
    SetDataSet(nullptr);
}

void TDataSource::SetDataSet(TClientDataSet* dataSet) {
    if (dataSet_ == dataSet) return;
    if (dataSet_) {
        auto& sources = dataSet_->sources_;
        sources.erase(std::remove(sources.begin(), sources.end(), this), sources.end());
    }
    dataSet_ = dataSet;
    if (dataSet_) dataSet_->sources_.push_back(this);
    Q_EMIT dataSetReplaced();
}

TDataSetState TDataSource::State() const {
    return dataSet_ ? dataSet_->State() : TDataSetState::dsInactive;
}

void TDataSource::dataEvent(TDataEvent event, int recNo, TField* field) {
    switch (event) {
        case TDataEvent::deUpdateState:
            Q_EMIT stateChanged();
            Fire(OnStateChange, this);
            return;
        case TDataEvent::deDataSetChange:
            Q_EMIT dataSetChanged();
            if (OnDataChange) OnDataChange(this, nullptr);
            return;
        case TDataEvent::deDataSetScroll:
            Q_EMIT scrolled();
            if (OnDataChange) OnDataChange(this, nullptr);
            return;
        case TDataEvent::deRecordChange:
            Q_EMIT recordChanged(recNo);
            if (OnDataChange) OnDataChange(this, field);
            return;
    }
}

}  // namespace kpv::data
