#pragma once

#include "framework/framework_export.h"
#include "framework/ui/control.h"

#include <QLineEdit>

namespace kpv::ui {

// An edit line with the change rule of the screens: writing a text that differs from the current one
// runs OnChange, writing the same text runs nothing, clearing always runs it; typing runs it too.
class KPV_FRAMEWORK_EXPORT TCustomEdit : public QLineEdit, public TControlEvents {
    Q_OBJECT
  public:
    TCustomEdit(QWidget* parent, const QString& name);

    virtual QString Text() const;
    void SetText(const QString& text);
    void Clear();

    void SetUpperCase(bool upper);  // CharCase = ecUpperCase
    void SetMaxLength(int length) { setMaxLength(length); }
    void SetColor(const QColor& color);
    void SetEnabled(bool enabled) { setEnabled(enabled); }
    void SetTabStop(bool tabStop);
    void SetFocus() { ui::SetFocus(this); }

    TNotifyEvent OnChange;

  protected:
    // Puts the text into the line without raising anything; masked edits lay it into their mask.
    virtual void setRawText(const QString& text);
    virtual QString normalised(const QString& text) const;
    // The user edited the line: applies the letter case and runs OnChange.
    virtual void onTextEdited(const QString& text);

  private:
    bool upperCase_ = false;
};

class KPV_FRAMEWORK_EXPORT TEdit : public TCustomEdit {
    Q_OBJECT
  public:
    using TCustomEdit::TCustomEdit;
};

}  // namespace kpv::ui
