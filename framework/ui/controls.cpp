#include "framework/ui/controls.h"

namespace kpv::ui {

TLabel::TLabel(QWidget* parent, const QString& name, const QString& caption) : QLabel(caption, parent) {
    setObjectName(name);
}

void TLabel::SetBold(bool bold) {
    QFont f = font();
    f.setBold(bold);
    setFont(f);
}

TTickControl::TTickControl(QAbstractButton* button, const QString& name, bool untickClicks)
    : button_(button), untickClicks_(untickClicks) {
    button->setObjectName(name);
    InstallFocusTracker();
    QObject::connect(button, &QAbstractButton::toggled, button, [this](bool checked) {
        if (!fromCode_ && (checked || untickClicks_)) Dispatch([this] { Fire(OnClick, button_); });
    });
}

void TTickControl::setCheckedFromCode(bool checked) {
    if (button_->isChecked() == checked) return;
    fromCode_ = true;
    button_->setChecked(checked);
    fromCode_ = false;
    if (checked || untickClicks_) Fire(OnClick, button_);
}

TCheckBox::TCheckBox(QWidget* parent, const QString& name, const QString& caption)
    : QCheckBox(caption, parent), TTickControl(this, name, true) {}

TRadioButton::TRadioButton(QWidget* parent, const QString& name, const QString& caption)
    : QRadioButton(caption, parent), TTickControl(this, name, false) {}

void TRadioButton::SetChecked(bool checked) {
    // An exclusive radio button refuses to be unticked directly; unticking one leaves the group empty.
    const bool exclusive = autoExclusive();
    if (!checked) setAutoExclusive(false);
    setCheckedFromCode(checked);
    setAutoExclusive(exclusive);
}

TComboBox::TComboBox(QWidget* parent, const QString& name, const QStringList& items) : QComboBox(parent) {
    setObjectName(name);
    InstallFocusTracker();
    addItems(items);
    connect(this, &QComboBox::activated, this, [this](int) { Dispatch([this] { Fire(OnChange, this); }); });
}

TImage::TImage(QObject* parent, const QString& name, QImage picture)
    : QObject(parent), Picture(std::move(picture)) {
    setObjectName(name);
}

}  // namespace kpv::ui
