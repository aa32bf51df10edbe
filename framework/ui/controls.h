#pragma once

#include "framework/framework_export.h"
#include "framework/ui/control.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QRadioButton>

namespace kpv::ui {

class KPV_FRAMEWORK_EXPORT TLabel : public QLabel {
    Q_OBJECT
  public:
    TLabel(QWidget* parent, const QString& name, const QString& caption = {});
    void SetBold(bool bold);
    void SetFocusControl(QWidget* control) { setBuddy(control); }
};

// What a check box and a radio button share: ticked by the user or from code, either way running OnClick
// as a user's click does. Whether unticking counts as a click is the one rule in which they differ.
class KPV_FRAMEWORK_EXPORT TTickControl : public TControlEvents {
  public:
    bool Checked() const { return button_->isChecked(); }
    void SetFocus() { ui::SetFocus(button_); }
    TNotifyEvent OnClick;

  protected:
    TTickControl(QAbstractButton* button, const QString& name, bool untickClicks);
    // Ticks or unticks as the user would, the click handler included.
    void setCheckedFromCode(bool checked);

  private:
    QAbstractButton* button_;
    bool untickClicks_;
    bool fromCode_ = false;
};

// A check box: ticking and unticking are both clicks.
class KPV_FRAMEWORK_EXPORT TCheckBox : public QCheckBox, public TTickControl {
    Q_OBJECT
  public:
    TCheckBox(QWidget* parent, const QString& name, const QString& caption = {});
    void SetChecked(bool checked) { setCheckedFromCode(checked); }
};

// A radio button: only being selected is a click; selecting one from code unticks the others of its
// group, and unticking one from code leaves its group with none.
class KPV_FRAMEWORK_EXPORT TRadioButton : public QRadioButton, public TTickControl {
    Q_OBJECT
  public:
    TRadioButton(QWidget* parent, const QString& name, const QString& caption = {});
    void SetChecked(bool checked);
};

// A drop-down list. Setting the index from code runs nothing; a user's choice runs OnChange.
class KPV_FRAMEWORK_EXPORT TComboBox : public QComboBox, public TControlEvents {
    Q_OBJECT
  public:
    TComboBox(QWidget* parent, const QString& name, const QStringList& items = {});
    int ItemIndex() const { return currentIndex(); }
    void SetItemIndex(int index) { setCurrentIndex(index); }
    QString Text() const { return currentText(); }
    TNotifyEvent OnChange;
};

// An image component that only carries a bitmap; never shown.
class KPV_FRAMEWORK_EXPORT TImage : public QObject {
    Q_OBJECT
  public:
    TImage(QObject* parent, const QString& name, QImage picture = {});
    QImage Picture;
};

}  // namespace kpv::ui
