#include "framework/data/db_grid.h"

#include "framework/data/data_source.h"
#include "framework/data/grid_cell_delegate_p.h"
#include "framework/data/grid_model.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>

namespace kpv::data {

namespace {
constexpr TDBGridOptions defaultOptions = TDBGridOptions(TDBGridOption::dgTitles) |
                                          TDBGridOption::dgColumnResize | TDBGridOption::dgColLines |
                                          TDBGridOption::dgRowLines | TDBGridOption::dgTabs;
}  // namespace

TColumn::TColumn(TDBGrid* grid, const QString& fieldName)
    : grid_(grid), fieldName_(fieldName), caption_(fieldName) {}

int TColumn::Index() const {
    const auto& columns = grid_->Columns();
    for (size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].get() == this) return static_cast<int>(i);
    }
    return -1;
}

TField* TColumn::Field() const {
    return grid_->Model()->FieldOf(Index());
}

void TColumn::SetWidth(int width) {
    width_ = width;
    grid_->setColumnWidth(Index(), width);
}

void TColumn::SetTitleCaption(const QString& caption) {
    caption_ = caption;
    grid_->columnsChanged();
}

void TColumn::SetTitleAlignment(Qt::Alignment alignment) {
    alignment_ = alignment;
    grid_->columnsChanged();
}

void TColumn::SetTitleFont(const QFont& font, TFontCharset charset) {
    font_ = font;
    fontSet_ = true;
    charset_ = charset;
    grid_->columnsChanged();
}

QString TColumn::TitleText() const {
    if (charset_ != TFontCharset::SYMBOL_CHARSET) return caption_;
    QString text = caption_;
    // The symbol fonts' check mark; Qt finds a font with the glyph when the title font lacks it.
    text.replace(u'4', QChar(0x2713));
    return text;
}

TDBGrid::TDBGrid(QWidget* parent, const QString& name) : QTableView(parent), model_(new TDataSetModel(this)) {
    setObjectName(name);
    setModel(model_);
    setItemDelegate(new GridCellDelegate(this));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setShowGrid(false);
    setSortingEnabled(false);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setSortIndicatorShown(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setMinimumSectionSize(4);  // the tick column is narrower than the style's minimum
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &TDBGrid::titleClicked);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int section, int, int newSize) { sectionResized(section, newSize); });
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { currentRowMoved(current); });
    connect(model_, &QAbstractItemModel::modelReset, this, &TDBGrid::followCursor);
    SetOptions(defaultOptions);
}

TDBGrid::~TDBGrid() = default;

TDataSource* TDBGrid::DataSource() const {
    return model_->DataSource();
}

void TDBGrid::SetDataSource(TDataSource* source) {
    if (TDataSource* old = DataSource()) disconnect(old, nullptr, this, nullptr);
    model_->SetDataSource(source);
    if (source) {
        connect(source, &TDataSource::scrolled, this, &TDBGrid::followCursor);
        connect(source, &TDataSource::dataSetChanged, this, &TDBGrid::followCursor);
    }
    followCursor();
}

TColumn* TDBGrid::AddColumn(const QString& fieldName) {
    columns_.push_back(std::make_unique<TColumn>(this, fieldName));
    TColumn* column = columns_.back().get();
    if (const TClientDataSet* dataSet = model_->DataSet()) {
        if (const TField* field = dataSet->FindField(fieldName)) column->caption_ = field->DisplayLabel;
    }
    columnsChanged();
    return column;
}

void TDBGrid::columnsChanged() {
    std::vector<TModelColumn> modelColumns;
    for (const auto& column : columns_) {
        TModelColumn modelColumn{column->FieldName(), column->TitleText(), column->TitleAlignment(), {}};
        if (column->fontSet_) modelColumn.titleFont = column->TitleFont();
        modelColumns.push_back(std::move(modelColumn));
    }
    model_->SetColumns(std::move(modelColumns));
    for (size_t i = 0; i < columns_.size(); ++i) setColumnWidth(static_cast<int>(i), columns_[i]->Width());
}

void TDBGrid::sectionResized(int section, int newSize) {
    if (section >= 0 && section < static_cast<int>(columns_.size())) {
        columns_[static_cast<size_t>(section)]->width_ = newSize;
    }
}

void TDBGrid::SetOptions(TDBGridOptions options) {
    options_ = options;
    horizontalHeader()->setVisible(options.testFlag(TDBGridOption::dgTitles));
    horizontalHeader()->setSectionResizeMode(
        options.testFlag(TDBGridOption::dgColumnResize) ? QHeaderView::Interactive : QHeaderView::Fixed);
    setTabKeyNavigation(options.testFlag(TDBGridOption::dgTabs));
    setSelectionBehavior(options.testFlag(TDBGridOption::dgRowSelect) ? QAbstractItemView::SelectRows
                                                                      : QAbstractItemView::SelectItems);
    applyPalette(Color());
    viewport()->update();
}

QColor TDBGrid::Color() const {
    return palette().color(QPalette::Active, QPalette::Base);
}

void TDBGrid::SetColor(const QColor& color) {
    applyPalette(color);
}

void TDBGrid::applyPalette(const QColor& base) {
    QPalette p = palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        p.setColor(group, QPalette::Base, base);
        p.setColor(group, QPalette::AlternateBase, base);
    }
    // Without focus the selection keeps its colour, or vanishes into the background.
    const bool keep = options_.testFlag(TDBGridOption::dgAlwaysShowSelection);
    p.setColor(QPalette::Inactive, QPalette::Highlight,
               keep ? p.color(QPalette::Active, QPalette::Highlight) : base);
    p.setColor(QPalette::Inactive, QPalette::HighlightedText,
               keep ? p.color(QPalette::Active, QPalette::HighlightedText)
                    : p.color(QPalette::Active, QPalette::Text));
    setPalette(p);
}

void TDBGrid::SetBorderStyle(TBorderStyle style) {
    setFrameShape(style == TBorderStyle::bsNone ? QFrame::NoFrame : QFrame::StyledPanel);
}

QColor TDBGrid::SelectionColor() const {
    return palette().color(QPalette::Active, QPalette::Highlight);
}

int TDBGrid::SelectedIndex() const {
    return currentIndex().isValid() ? currentIndex().column() : 0;
}

void TDBGrid::SetSelectedIndex(int column) {
    const QModelIndex current = currentIndex();
    if (!current.isValid() || column < 0 || column >= model_->columnCount()) return;
    following_ = true;
    selectionModel()->setCurrentIndex(model_->index(current.row(), column), QItemSelectionModel::NoUpdate);
    following_ = false;
}

TField* TDBGrid::SelectedField() const {
    return model_->FieldOf(SelectedIndex());
}

void TDBGrid::followCursor() {
    const TClientDataSet* dataSet = model_->DataSet();
    const int row = dataSet && dataSet->Active() ? dataSet->RecNo() : -1;
    following_ = true;
    if (row < 0 || row >= model_->rowCount() || model_->columnCount() == 0) {
        selectionModel()->clear();
    } else {
        const QModelIndex target = model_->index(row, SelectedIndex());
        const auto flags = options_.testFlag(TDBGridOption::dgRowSelect)
                               ? QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows
                               : QItemSelectionModel::ClearAndSelect;
        selectionModel()->setCurrentIndex(target, flags);
        scrollTo(target);
    }
    following_ = false;
}

void TDBGrid::currentRowMoved(const QModelIndex& current) {
    if (following_ || !current.isValid()) return;
    TClientDataSet* dataSet = model_->DataSet();
    if (!dataSet || !dataSet->Active() || dataSet->RecNo() == current.row()) return;
    const int wanted = current.row();
    Dispatch([&] { dataSet->SetRecNo(wanted); });
    // A move the data set refused (a post that failed) puts the grid back on its record.
    if (dataSet->RecNo() != wanted) followCursor();
}

void TDBGrid::titleClicked(int section) {
    if (section < 0 || section >= static_cast<int>(columns_.size()) || !OnTitleClick) return;
    TColumn* column = columns_[static_cast<size_t>(section)].get();
    Dispatch([&] { OnTitleClick(column); });
}

void TDBGrid::keyPressEvent(QKeyEvent* event) {
    int key = event->key();
    if (OnKeyDown) {
        const Qt::KeyboardModifiers shift = event->modifiers();
        if (!Dispatch([&] { OnKeyDown(this, key, shift); })) return;
    }
    if (key == 0) return;
    if (key == event->key()) {
        QTableView::keyPressEvent(event);
        return;
    }
    QKeyEvent changed(event->type(), key, event->modifiers());
    QTableView::keyPressEvent(&changed);
}

void TDBGrid::keyboardSearch(const QString&) {}

void TDBGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    // Only the primary button double-clicks a row; a double right-click is two context requests.
    if (event->button() != Qt::LeftButton) return;
    if (!OnDblClick || !indexAt(event->position().toPoint()).isValid()) return;
    Dispatch([&] { OnDblClick(this); });
}

void TDBGrid::paintCell(QPainter* painter, const QRect& rect, const QModelIndex& index, const QColor& brush,
                        TGridDrawState state) {
    const TClientDataSet* dataSet = model_->DataSet();
    if (!OnDrawColumnCell || !dataSet || index.row() >= dataSet->RecordCount()) return;
    TColumn* column = index.column() < static_cast<int>(columns_.size())
                          ? columns_[static_cast<size_t>(index.column())].get()
                          : nullptr;
    painter->save();
    painter->setClipRect(rect);
    TCanvas canvas(painter, brush);
    canvas_ = &canvas;
    const TClientDataSet::PaintRecord reading(dataSet, index.row());
    Dispatch([&] { OnDrawColumnCell(this, rect, index.column(), column, state); });
    canvas_ = nullptr;
    painter->restore();
}

}  // namespace kpv::data
