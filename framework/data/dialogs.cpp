#include "framework/data/dialogs.h"

#include "framework/data/data_source.h"
#include "framework/data/grid_model.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <vector>

namespace kpv::data {

namespace {

QDialogButtonBox* okCancel(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancelar"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

// A read-only list of the data source's rows; widths follow the fields' display widths.
QTableView* rowList(QDialog* dialog, QAbstractItemModel* model, const TDataSetModel& fields) {
    auto* view = new QTableView(dialog);
    view->setObjectName(QStringLiteral("grdLista"));
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->verticalHeader()->hide();
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    const int charWidth = view->fontMetrics().averageCharWidth();
    int total = 0;
    for (int c = 0; c < model->columnCount(); ++c) {
        const TField* field = fields.FieldOf(c);
        const int width = std::max(field ? field->DisplayWidth : 10, 4) * charWidth + 12;
        view->setColumnWidth(c, width);
        total += width;
    }
    dialog->resize(std::clamp(total + 40, 320, 900), 420);
    return view;
}

void startAt(QTableView* view, int row) {
    if (row < 0 || row >= view->model()->rowCount()) row = 0;
    if (view->model()->rowCount() == 0) return;
    view->setCurrentIndex(view->model()->index(row, 0));
    view->scrollTo(view->currentIndex(), QAbstractItemView::PositionAtCenter);
}

// The field list with a check box on every row; the marks live here, never in the data set.
class MarkedRowsModel final : public QIdentityProxyModel {
  public:
    MarkedRowsModel(QObject* parent, std::vector<bool> marked)
        : QIdentityProxyModel(parent), marked_(std::move(marked)) {}

    const std::vector<bool>& marked() const { return marked_; }

    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::CheckStateRole && index.column() == 0 && validRow(index.row())) {
            return marked_[static_cast<size_t>(index.row())] ? Qt::Checked : Qt::Unchecked;
        }
        return QIdentityProxyModel::data(index, role);
    }
    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        if (role != Qt::CheckStateRole || index.column() != 0 || !validRow(index.row())) return false;
        marked_[static_cast<size_t>(index.row())] = value.toInt() == Qt::Checked;
        Q_EMIT dataChanged(index, index, {Qt::CheckStateRole});
        return true;
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        Qt::ItemFlags flags = QIdentityProxyModel::flags(index);
        if (index.column() == 0) flags |= Qt::ItemIsUserCheckable;
        return flags;
    }

  private:
    bool validRow(int row) const { return row >= 0 && row < static_cast<int>(marked_.size()); }
    std::vector<bool> marked_;
};

}  // namespace

std::optional<int> ShowLookupDialog(QWidget* parent, const QString& title, TDataSource* source) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("frmPesquisa"));
    dialog.setWindowTitle(title);
    TDataSetModel model;
    model.SetDataSource(source);
    QTableView* view = rowList(&dialog, &model, model);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(view);
    layout->addWidget(okCancel(&dialog));
    QObject::connect(view, &QTableView::doubleClicked, &dialog, &QDialog::accept);
    startAt(view, model.DataSet() ? model.DataSet()->RecNo() : 0);
    if (dialog.exec() != QDialog::Accepted || !view->currentIndex().isValid()) return std::nullopt;
    return view->currentIndex().row();
}

bool ShowMultiSelectDialog(QWidget* parent, const QString& title, TDataSource* source,
                           const QString& keyField, QStringList& keys) {
    TDataSetModel fields;
    fields.SetDataSource(source);
    const TClientDataSet* dataSet = fields.DataSet();
    if (!dataSet) return false;
    const TField* key = dataSet->FieldByName(keyField);
    std::vector<QString> rowKeys;
    std::vector<bool> marked;
    for (int r = 0; r < dataSet->RecordCount(); ++r) {
        const TClientDataSet::PaintRecord reading(dataSet, r);
        rowKeys.push_back(key->AsString());
        marked.push_back(keys.contains(rowKeys.back()));
    }

    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("frmPesquisaLista"));
    dialog.setWindowTitle(title);
    MarkedRowsModel model(&dialog, std::move(marked));
    model.setSourceModel(&fields);
    QTableView* view = rowList(&dialog, &model, fields);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(view);
    layout->addWidget(okCancel(&dialog));
    startAt(view, 0);
    if (dialog.exec() != QDialog::Accepted) return false;
    keys.clear();
    for (size_t r = 0; r < rowKeys.size(); ++r) {
        if (model.marked()[r]) keys.append(rowKeys[r]);
    }
    return true;
}

std::optional<FindRequest> ShowFindDialog(QWidget* parent, TClientDataSet* dataSet) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("frmProcura"));
    dialog.setWindowTitle(QStringLiteral("Procurar"));
    auto* fieldBox = new QComboBox(&dialog);
    fieldBox->setObjectName(QStringLiteral("cbbCampo"));
    if (dataSet) {
        for (const TField* field : dataSet->Fields()) {
            if (field->Visible) fieldBox->addItem(field->DisplayLabel, field->FieldName());
        }
    }
    auto* textEdit = new QLineEdit(&dialog);
    textEdit->setObjectName(QStringLiteral("edtTexto"));
    QDialogButtonBox* buttons = okCancel(&dialog);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setEnabled(false);
    QObject::connect(textEdit, &QLineEdit::textChanged, ok, [ok, fieldBox](const QString& text) {
        ok->setEnabled(!text.isEmpty() && fieldBox->count() > 0);
    });
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Campo:"), fieldBox);
    form->addRow(QStringLiteral("Procurar por:"), textEdit);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(form);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return FindRequest{fieldBox->currentData().toString(), textEdit->text()};
}

}  // namespace kpv::data
