#pragma once

// Building blocks of the filter screen's layout, shared by the files that lay out its rows and groups.
#include <QFont>
#include <QString>

class QWidget;

namespace kpv::data {
class TDataSource;
}
namespace kpv::ui {
class TBtnPesquisa;
class TEdit;
class TGroupBox;
class TLabel;
}  // namespace kpv::ui

namespace Cli_kpv41100::layout {

// 8-point "MS Sans Serif", or a face of similar width where it is missing.
QFont PlainFont();
// Row captions and group captions are bold.
QFont CaptionFont();

// A bold row caption that hands the focus to its field.
kpv::ui::TLabel* Caption(QWidget* parent, const QString& name, const QString& caption, QWidget* focusControl,
                         int left, int top, int width);

// A field the user types a code into: upper case, info-background colour.
kpv::ui::TEdit* CodeEdit(QWidget* parent, const QString& name, int maxLength, int left, int top, int width);

// A display-only field beside a code: disabled, no tab stop, button-face colour.
kpv::ui::TEdit* NameEdit(QWidget* parent, const QString& name, int left, int top, int width);

kpv::ui::TBtnPesquisa* LookupButton(QWidget* parent, const QString& name, QWidget* associate,
                                    const QString& title, kpv::data::TDataSource* source,
                                    const QString& emptyError, int left, int top);

// Gives the group a bold caption while its controls keep the plain face.
void BoldCaption(kpv::ui::TGroupBox* group);

}  // namespace Cli_kpv41100::layout
