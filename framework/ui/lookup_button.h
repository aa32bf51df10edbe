#pragma once

#include "framework/framework_export.h"
#include "framework/ui/button_flat.h"

#include <functional>

namespace kpv::data {
class TDataSource;
}

namespace kpv::ui {

// A lookup button beside a field. A click runs OnBeforePesq (where the screen reopens the list's query),
// shows the rows of DataSource in a lookup list titled Title, and once the user picked one leaves the
// data set on it and runs OnAfterPesq (where the screen copies the row into its fields). An empty list
// shows EmptyError instead. With an OnClick of its own, a click runs only that.
class KPV_FRAMEWORK_EXPORT TBtnPesquisa : public TButtonFlat {
    Q_OBJECT
  public:
    TBtnPesquisa(QWidget* parent, const QString& name);

    QWidget* Associate = nullptr;
    QString Title;
    data::TDataSource* DataSource = nullptr;
    QString EmptyError;

    // The flag lets the list open; the module's handlers leave it as it is.
    std::function<void(QObject* Sender, bool& flag)> OnBeforePesq;
    TNotifyEvent OnAfterPesq;

  protected:
    void DoClick() override;

  private:
    void Pesquisa();
};

}  // namespace kpv::ui
