#pragma once

#include "framework/framework_export.h"

#include <QWidget>

#include <array>

class QToolButton;

namespace kpv::data {

class TDataSource;

// Flat first / prior / next / last buttons moving the data source's cursor. A button that cannot move
// (at either end, or the data set closed) is disabled; Enabled switches the whole navigator.
class KPV_FRAMEWORK_EXPORT TDBNavigator : public QWidget {
    Q_OBJECT
  public:
    enum TNavigateBtn { nbFirst, nbPrior, nbNext, nbLast };

    TDBNavigator(QWidget* parent, const QString& name);

    TDataSource* DataSource() const { return source_; }
    void SetDataSource(TDataSource* source);
    void SetEnabled(bool enabled) { setEnabled(enabled); }
    bool Enabled() const { return isEnabled(); }
    // Runs a button as the user's click does.
    void BtnClick(TNavigateBtn button);
    QToolButton* Button(TNavigateBtn button) const { return buttons_[button]; }

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void updateButtons();

    TDataSource* source_ = nullptr;
    std::array<QToolButton*, 4> buttons_{};
};

}  // namespace kpv::data
