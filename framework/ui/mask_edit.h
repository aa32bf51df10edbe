#pragma once

#include "framework/framework_export.h"
#include "framework/text/edit_mask.h"
#include "framework/ui/edit.h"

#include <optional>

namespace kpv::ui {

// An edit with an edit mask (see text::ParsedMask). Typing obeys the mask and overwrites; the field shows the
// literals and the blank character; Text() reads back the filled positions, with the literals when the
// mask saves them. The change rule of TCustomEdit holds on Text(): writing a text, typing, setting or
// removing the mask run OnChange exactly when Text() changes (Clear always). Without a mask it is a
// plain edit.
class KPV_FRAMEWORK_EXPORT TMaskEdit : public TCustomEdit {
    Q_OBJECT
  public:
    TMaskEdit(QWidget* parent, const QString& name, const QString& editMask = {});

    // Setting a mask lays the current text into it and sets MaxLength to the mask's length; removing it
    // (an empty mask) leaves the text read under the mask, without its trailing blanks, as plain text.
    void SetEditMask(const QString& editMask);
    QString EditMask() const { return editMask_; }
    bool IsMasked() const { return masked_.has_value(); }
    int MaxLength() const { return maxLength(); }

    QString Text() const override;

  protected:
    void setRawText(const QString& text) override;
    QString normalised(const QString& text) const override;
    void onTextEdited(const QString& text) override;
    // Runs after every change of what the field shows, from code or from the user.
    virtual void displayChanged() {}

    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    enum class UserEdit { Erase, Backspace, Delete, Insert };

    void userEdit(UserEdit edit, const QString& typed = {});
    void showMasked(int cursor);

    QString editMask_;
    std::optional<text::MaskedText> masked_;
};

}  // namespace kpv::ui
