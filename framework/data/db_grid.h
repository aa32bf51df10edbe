#pragma once

#include "framework/core/dispatch.h"
#include "framework/data/canvas.h"
#include "framework/framework_export.h"

#include <QFont>
#include <QTableView>

#include <functional>
#include <memory>
#include <vector>

namespace kpv::data {

class TDataSource;
class TDataSetModel;
class TDBGrid;
class TField;

enum class TFontCharset { DEFAULT_CHARSET, SYMBOL_CHARSET };

// One column of a grid: the field it shows, its width in pixels and its title.
class KPV_FRAMEWORK_EXPORT TColumn {
  public:
    TColumn(TDBGrid* grid, const QString& fieldName);

    const QString& FieldName() const { return fieldName_; }
    int Index() const;
    TField* Field() const;

    int Width() const { return width_; }
    void SetWidth(int width);

    const QString& TitleCaption() const { return caption_; }
    void SetTitleCaption(const QString& caption);
    Qt::Alignment TitleAlignment() const { return alignment_; }
    void SetTitleAlignment(Qt::Alignment alignment);
    // With the symbol character set the caption's characters are symbols: "4" is the check mark,
    // drawn as "✓" in a font that has it.
    void SetTitleFont(const QFont& font, TFontCharset charset = TFontCharset::DEFAULT_CHARSET);
    const QFont& TitleFont() const { return font_; }
    TFontCharset TitleCharset() const { return charset_; }
    // The caption as drawn: symbols mapped to their glyphs.
    QString TitleText() const;

  private:
    TDBGrid* grid_;
    QString fieldName_;
    int width_ = 64;
    QString caption_;
    Qt::Alignment alignment_ = Qt::AlignLeft | Qt::AlignVCenter;
    QFont font_;
    bool fontSet_ = false;
    TFontCharset charset_ = TFontCharset::DEFAULT_CHARSET;

    friend class TDBGrid;
};

enum class TGridDrawStateItem { gdSelected = 0x1, gdFocused = 0x2 };
Q_DECLARE_FLAGS(TGridDrawState, TGridDrawStateItem)

enum class TDBGridOption {
    dgTitles = 0x1,
    dgColumnResize = 0x2,
    dgColLines = 0x4,
    dgRowLines = 0x8,
    dgTabs = 0x10,
    dgRowSelect = 0x20,
    dgAlwaysShowSelection = 0x40,
};
Q_DECLARE_FLAGS(TDBGridOptions, TDBGridOption)

enum class TBorderStyle { bsNone, bsSingle };

using TDrawColumnCellEvent = std::function<void(QObject* Sender, const QRect& Rect, int DataCol,
                                                TColumn* Column, TGridDrawState State)>;
using TKeyEvent = std::function<void(QObject* Sender, int& Key, Qt::KeyboardModifiers Shift)>;
using TDBGridClickEvent = std::function<void(TColumn* Column)>;

// A read-only grid over a data source. Its current row is the data set's current record both ways.
// It never inserts or deletes rows. Clicking a title raises OnTitleClick and never sorts.
class KPV_FRAMEWORK_EXPORT TDBGrid : public QTableView {
    Q_OBJECT
  public:
    TDBGrid(QWidget* parent, const QString& name);
    ~TDBGrid() override;

    TDataSource* DataSource() const;
    void SetDataSource(TDataSource* source);

    TColumn* AddColumn(const QString& fieldName);
    const std::vector<std::unique_ptr<TColumn>>& Columns() const { return columns_; }

    // Titles, column resizing, column and row lines and Tab between columns until set otherwise.
    TDBGridOptions Options() const { return options_; }
    void SetOptions(TDBGridOptions options);
    void SetColor(const QColor& color);
    QColor Color() const;
    void SetBorderStyle(TBorderStyle style);

    // The field of the current column.
    TField* SelectedField() const;
    int SelectedIndex() const;
    void SetSelectedIndex(int column);
    // The colour of the selected row.
    QColor SelectionColor() const;
    // The canvas of the cell being painted, while OnDrawColumnCell runs; null otherwise.
    TCanvas* Canvas() const { return canvas_; }

    // Raised after the default painting of a data cell, the fields reading the painted row.
    TDrawColumnCellEvent OnDrawColumnCell;
    TNotifyEvent OnDblClick;
    // The key reaches the grid after the handler, as the handler left it (0 swallows it).
    TKeyEvent OnKeyDown;
    TDBGridClickEvent OnTitleClick;

    TDataSetModel* Model() const { return model_; }

    // The grid has no incremental search: typed characters, Space among them, move nothing.
    void keyboardSearch(const QString& search) override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    friend class TColumn;
    friend class GridCellDelegate;

    void columnsChanged();
    void followCursor();
    void currentRowMoved(const QModelIndex& current);
    void titleClicked(int section);
    void sectionResized(int section, int newSize);
    void applyPalette(const QColor& base);
    void paintCell(QPainter* painter, const QRect& rect, const QModelIndex& index, const QColor& brush,
                   TGridDrawState state);

    TDataSetModel* model_;
    std::vector<std::unique_ptr<TColumn>> columns_;
    TDBGridOptions options_;
    bool following_ = false;
    TCanvas* canvas_ = nullptr;
};

}  // namespace kpv::data

Q_DECLARE_OPERATORS_FOR_FLAGS(kpv::data::TGridDrawState)
Q_DECLARE_OPERATORS_FOR_FLAGS(kpv::data::TDBGridOptions)
