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

TCheckBox::TCheckBox(QWidget* parent, const QString& name, const QString& caption)
    : QCheckBox(caption, parent) {
    setObjectName(name);
    InstallFocusTracker();
    connect(this, &QCheckBox::toggled, this, [this](bool) {
        if (!fromCode_) Dispatch([this] { Fire(OnClick, this); });
    });
}

void TCheckBox::SetChecked(bool checked) {
    if (isChecked() == checked) return;
    fromCode_ = true;
    setChecked(checked);
    fromCode_ = false;
    Fire(OnClick, this);
}

TRadioButton::TRadioButton(QWidget* parent, const QString& name, const QString& caption)
    : QRadioButton(caption, parent) {
    setObjectName(name);
    InstallFocusTracker();
    connect(this, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked && !fromCode_) Dispatch([this] { Fire(OnClick, this); });
    });
}

void TRadioButton::SetChecked(bool checked) {
    if (isChecked() == checked) return;
    fromCode_ = true;
    // An exclusive radio button refuses to be unticked directly; unticking one leaves the group empty.
    const bool exclusive = autoExclusive();
    if (!checked) setAutoExclusive(false);
    setChecked(checked);
    setAutoExclusive(exclusive);
    fromCode_ = false;
    if (checked) Fire(OnClick, this);
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
