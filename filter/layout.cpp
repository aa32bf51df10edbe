#include "filter/layout_p.h"

#include "framework/ui/containers.h"
#include "framework/ui/controls.h"
#include "framework/ui/edit.h"
#include "framework/ui/lookup_button.h"

namespace Cli_kpv41100::layout {

using namespace kpv::ui;

QFont PlainFont() {
    QFont font;
    // Where the screens' face is missing, the closest in width, so the captions still fit their places.
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Arial"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans Condensed")});
    font.setPointSize(8);
    font.setBold(false);
    return font;
}

QFont CaptionFont() {
    QFont font = PlainFont();
    font.setBold(true);
    return font;
}

TLabel* Caption(QWidget* parent, const QString& name, const QString& caption, QWidget* focusControl,
                const TBounds& place) {
    auto* label = new TLabel(parent, name, caption);
    label->setFont(CaptionFont());
    if (focusControl) label->SetFocusControl(focusControl);
    Place(label, place);
    return label;
}

TEdit* CodeEdit(QWidget* parent, const QString& name, int maxLength, const TBounds& place) {
    auto* edit = new TEdit(parent, name);
    edit->setFont(PlainFont());
    edit->SetUpperCase(true);
    edit->SetMaxLength(maxLength);
    edit->SetColor(clInfoBk);
    Place(edit, place);
    return edit;
}

TEdit* NameEdit(QWidget* parent, const QString& name, const TBounds& place) {
    auto* edit = new TEdit(parent, name);
    edit->setFont(PlainFont());
    edit->SetEnabled(false);
    edit->SetTabStop(false);
    edit->SetColor(clBtnFace);
    Place(edit, place);
    return edit;
}

TBtnPesquisa* LookupButton(QWidget* parent, const QString& name, QWidget* associate, const QString& title,
                           kpv::data::TDataSource* source, const QString& emptyError, QPoint place) {
    auto* button = new TBtnPesquisa(parent, name);
    button->setToolTip(QStringLiteral("Pesquisar"));
    button->Associate = associate;
    button->Title = title;
    button->DataSource = source;
    button->EmptyError = emptyError;
    button->move(place);
    return button;
}

void BoldCaption(TGroupBox* group) {
    const QFont plain = PlainFont();
    for (QWidget* child : group->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!child->font().bold()) child->setFont(plain);
    }
    group->setFont(CaptionFont());
}

}  // namespace Cli_kpv41100::layout
