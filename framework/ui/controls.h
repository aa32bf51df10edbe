#pragma once

#include "framework/ui/control.h"

#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QRadioButton>

namespace kpv::ui {

class TLabel : public QLabel {
    Q_OBJECT
  public:
    TLabel(QWidget* parent, const QString& name, const QString& caption = {});
    void SetBold(bool bold);
    void SetFocusControl(QWidget* control) { setBuddy(control); }
};

// A check box; ticking it from code runs OnClick as a user's click does.
class TCheckBox : public QCheckBox, public TControlEvents {
    Q_OBJECT
  public:
    TCheckBox(QWidget* parent, const QString& name, const QString& caption = {});
    bool Checked() const { return isChecked(); }
    void SetChecked(bool checked);
    void SetFocus() { ui::SetFocus(this); }
    TNotifyEvent OnClick;

  private:
    bool fromCode_ = false;
};

// A radio button; selecting it from code runs OnClick as a user's click does.
class TRadioButton : public QRadioButton, public TControlEvents {
    Q_OBJECT
  public:
    TRadioButton(QWidget* parent, const QString& name, const QString& caption = {});
    bool Checked() const { return isChecked(); }
    void SetChecked(bool checked);
    void SetFocus() { ui::SetFocus(this); }
    TNotifyEvent OnClick;

  private:
    bool fromCode_ = false;
};

// A drop-down list. Setting the index from code runs nothing; a user's choice runs OnChange.
class TComboBox : public QComboBox, public TControlEvents {
    Q_OBJECT
  public:
    TComboBox(QWidget* parent, const QString& name, const QStringList& items = {});
    int ItemIndex() const { return currentIndex(); }
    void SetItemIndex(int index) { setCurrentIndex(index); }
    QString Text() const { return currentText(); }
    TNotifyEvent OnChange;
};

// An image component that only carries a bitmap; never shown.
class TImage : public QObject {
    Q_OBJECT
  public:
    TImage(QObject* parent, const QString& name, QImage picture = {});
    QImage Picture;
};

}  // namespace kpv::ui
