#pragma once

#include "framework/core/dispatch.h"
#include "framework/data/client_data_set.h"
#include "framework/framework_export.h"

#include <QObject>

#include <functional>

namespace kpv::data {

using TDataChangeEvent = std::function<void(QObject* Sender, TField* Field)>;

// Links a data set to the controls that show it. The handlers run as plain calls, so an abort
// raised in them ends the event that changed the data set. Controls listen to the Qt signals.
class KPV_FRAMEWORK_EXPORT TDataSource : public QObject {
    Q_OBJECT
  public:
    TDataSource(QObject* parent, const QString& name);
    ~TDataSource() override;

    TClientDataSet* DataSet() const { return dataSet_; }
    void SetDataSet(TClientDataSet* dataSet);
    // dsInactive without a data set.
    TDataSetState State() const;

    // On every state change of the data set: opened, Edit, Post, Cancel, closed.
    TNotifyEvent OnStateChange;
    // On a move of the current record or a change of its data (Field is the field set, or null).
    TDataChangeEvent OnDataChange;

  Q_SIGNALS:
    void dataSetReplaced();
    void stateChanged();
    void dataSetChanged();
    void scrolled();
    void recordChanged(int recNo);

  private:
    friend class TClientDataSet;
    void dataEvent(TDataEvent event, int recNo, TField* field);

    TClientDataSet* dataSet_ = nullptr;
};

}  // namespace kpv::data
