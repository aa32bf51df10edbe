#include "data_fixtures.h"

#include "framework/core/dispatch.h"
#include "framework/core/errors.h"
#include "framework/data/data_source.h"
#include "framework/data/db_grid.h"
#include "framework/data/db_navigator.h"
#include "framework/data/db_text.h"
#include "framework/data/grid_model.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

using namespace kpv::data;

namespace {

const QColor clInfoBk{255, 255, 225};

// A grid over the fixture data set with the columns a screen would declare.
struct GridScreen {
    std::unique_ptr<TClientDataSet> set = fixtures::DataSet();
    TDataSource source{nullptr, QStringLiteral("dtsTeste")};
    TDBGrid grid{nullptr, QStringLiteral("dbgTeste")};

    explicit GridScreen(int rows) {
        source.SetDataSet(set.get());
        grid.SetDataSource(&source);
        TColumn* mark = grid.AddColumn("MARK");
        mark->SetWidth(22);
        mark->SetTitleCaption("4");
        mark->SetTitleAlignment(Qt::AlignCenter);
        QFont symbol(QStringLiteral("MS Sans Serif"));
        symbol.setPixelSize(11);
        mark->SetTitleFont(symbol, TFontCharset::SYMBOL_CHARSET);
        grid.AddColumn("CODE")->SetWidth(50);
        TColumn* name = grid.AddColumn("NAME");
        name->SetWidth(160);
        name->SetTitleCaption("Razão Social");
        grid.AddColumn("AMOUNT")->SetWidth(90);
        grid.SetOptions(grid.Options() | TDBGridOption::dgRowSelect | TDBGridOption::dgAlwaysShowSelection);
        grid.SetColor(clInfoBk);
        grid.SetBorderStyle(TBorderStyle::bsNone);
        set->LoadFromPacket(fixtures::Packet(rows));
        grid.resize(400, 200);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
    }

    QPoint cellCentre(int row, int column) const {
        return grid.visualRect(grid.model()->index(row, column)).center();
    }
};

struct PaintedCell {
    QRect rect;
    int dataCol;
    QString fieldName;
    QString code;
    bool selected;
    QColor brush;
};

}  // namespace

class TestDBGrid : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void modelPassesTheTester();
    void columnsTitlesAndOptions();
    void titleClickRaisesTheEventAndNeverSorts();
    void paintHookSeesThePaintedRow();
    void brushCopyReplacesTheTransparentColour_data();
    void brushCopyReplacesTheTransparentColour();
    void gridFollowsTheCursorAndMovesIt();
    void keyDownHandlerDecidesTheKey_data();
    void keyDownHandlerDecidesTheKey();
    void doubleClickAndSelectedField();
    void handlerErrorsStayInsideTheGrid();
    void editRepaintsOneRowAndFrozenControlsOneRefresh();
    void navigatorMovesAndFollows_data();
    void navigatorMovesAndFollows();
    void dbTextShowsTheCurrentRow();
};

void TestDBGrid::modelPassesTheTester() {
    GridScreen screen(30);
    QAbstractItemModelTester tester(screen.grid.model(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    screen.set->SetRecNo(12);
    screen.set->Edit();
    screen.set->FieldByName("MARK")->SetAsString("S");
    screen.set->Post();
    screen.set->DisableControls();
    for (screen.set->First(); !screen.set->Eof(); screen.set->Next()) {
        screen.set->Edit();
        screen.set->FieldByName("MARK")->SetAsString("S");
        screen.set->Post();
    }
    screen.set->EnableControls();
    screen.set->LoadFromPacket(fixtures::Packet(5));
    screen.set->EmptyDataSet();
    screen.set->Close();
    QCOMPARE(screen.grid.model()->rowCount(), 0);
    screen.set->LoadFromPacket(fixtures::Packet(100));
    QCOMPARE(screen.grid.model()->rowCount(), 100);
    screen.source.SetDataSet(nullptr);
    QCOMPARE(screen.grid.model()->rowCount(), 0);
}

void TestDBGrid::columnsTitlesAndOptions() {
    GridScreen screen(3);
    const QAbstractItemModel* model = screen.grid.model();
    QCOMPARE(model->columnCount(), 4);
    QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("✓"));
    QCOMPARE(model->headerData(0, Qt::Horizontal, Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
    QCOMPARE(model->headerData(0, Qt::Horizontal, Qt::FontRole).value<QFont>().pixelSize(), 11);
    QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("CODE"));
    QCOMPARE(model->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Razão Social"));
    QCOMPARE(model->data(model->index(1, 3)).toString(), QStringLiteral("201,00"));
    QCOMPARE(model->data(model->index(1, 3), Qt::TextAlignmentRole).toInt() & Qt::AlignRight,
             int(Qt::AlignRight));
    QVERIFY(!(model->flags(model->index(0, 2)) & Qt::ItemIsEditable));
    QCOMPARE(screen.grid.columnWidth(0), 22);
    QCOMPARE(screen.grid.columnWidth(2), 160);
    QCOMPARE(screen.grid.Color(), clInfoBk);
    QCOMPARE(screen.grid.frameShape(), QFrame::NoFrame);
    QVERIFY(screen.grid.tabKeyNavigation());
    QCOMPARE(screen.grid.selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(screen.grid.horizontalHeader()->sectionResizeMode(1), QHeaderView::Interactive);
    // The selection keeps its colour when the grid has no focus.
    QCOMPARE(screen.grid.palette().color(QPalette::Inactive, QPalette::Highlight),
             screen.grid.SelectionColor());
    // A column the user widens keeps the new width.
    screen.grid.horizontalHeader()->resizeSection(1, 70);
    QCOMPARE(screen.grid.Columns()[1]->Width(), 70);
    QCOMPARE(screen.grid.Columns()[2]->Field(), screen.set->FieldByName("NAME"));
}

void TestDBGrid::titleClickRaisesTheEventAndNeverSorts() {
    GridScreen screen(6);
    // Reverse order, so that any sort would move rows.
    const kpv::protocol::DataPacket ascending = fixtures::Packet(6);
    kpv::protocol::DataPacket packet(ascending.fields());
    std::vector<QVariantList> rows = ascending.rows();
    std::reverse(rows.begin(), rows.end());
    for (const QVariantList& row : rows) packet.appendRow(row);
    screen.set->LoadFromPacket(packet);
    QList<TColumn*> clicked;
    screen.grid.OnTitleClick = [&](TColumn* column) { clicked << column; };
    QHeaderView* header = screen.grid.horizontalHeader();
    for (int section : {1, 1, 0, 2}) {
        const int x = header->sectionViewportPosition(section) + header->sectionSize(section) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    }
    QCOMPARE(clicked.size(), 4);
    QCOMPARE(clicked[0]->FieldName(), QStringLiteral("CODE"));
    QCOMPARE(clicked[2]->FieldName(), QStringLiteral("MARK"));
    QCOMPARE(clicked[3]->FieldName(), QStringLiteral("NAME"));
    QVERIFY(!screen.grid.isSortingEnabled());
    QVERIFY(!header->isSortIndicatorShown());
    for (int r = 0; r < 6; ++r) {
        QCOMPARE(screen.grid.model()->data(screen.grid.model()->index(r, 1)).toString(),
                 QString::number(6 - r).rightJustified(4, u'0'));
    }
    QCOMPARE(screen.set->RecNo(), 0);
}

void TestDBGrid::paintHookSeesThePaintedRow() {
    GridScreen screen(8);
    screen.set->SetRecNo(3);
    int scrolls = 0;
    screen.set->AfterScroll = [&](TClientDataSet*) { ++scrolls; };
    std::vector<PaintedCell> cells;
    screen.grid.OnDrawColumnCell = [&](QObject* sender, const QRect& rect, int dataCol, TColumn* column,
                                       TGridDrawState state) {
        QCOMPARE(sender, &screen.grid);
        QVERIFY(screen.grid.Canvas());
        cells.push_back({rect, dataCol, column->FieldName(), screen.set->FieldByName("CODE")->AsString(),
                         state.testFlag(TGridDrawStateItem::gdSelected), screen.grid.Canvas()->Brush.Color});
        if (column->FieldName() == u"MARK") {
            screen.grid.Canvas()->Brush.Color = Qt::red;  // a handler may change the brush for its own use
            screen.grid.Canvas()->FillRect(rect);
        }
    };
    const QImage shot = screen.grid.viewport()->grab().toImage();
    QVERIFY(!cells.empty());
    for (const PaintedCell& cell : cells) {
        const int row = screen.grid.rowAt(cell.rect.center().y());
        QCOMPARE(cell.code, QString::number(row + 1).rightJustified(4, u'0'));
        QCOMPARE(cell.fieldName, screen.grid.Columns()[static_cast<size_t>(cell.dataCol)]->FieldName());
        QCOMPARE(cell.selected, row == 3);
        QCOMPARE(cell.brush, row == 3 ? screen.grid.SelectionColor() : clInfoBk);
        if (cell.fieldName == u"MARK") QCOMPARE(shot.pixelColor(cell.rect.center()), QColor(Qt::red));
    }
    QVERIFY(std::any_of(cells.begin(), cells.end(), [](const PaintedCell& c) { return c.selected; }));
    QCOMPARE(screen.set->RecNo(), 3);
    QCOMPARE(scrolls, 0);
    QVERIFY(!screen.grid.Canvas());
}

void TestDBGrid::brushCopyReplacesTheTransparentColour_data() {
    QTest::addColumn<QRect>("dest");
    QTest::addColumn<QRect>("source");
    QTest::addColumn<QPoint>("probe");
    QTest::addColumn<QColor>("expected");
    const QColor olive(128, 128, 0);
    const QColor background(Qt::white);
    const QColor brush(0, 0, 200);
    // A 4 x 4 bitmap: olive with a black pixel at (1, 1).
    QTest::newRow("transparent pixel takes the brush")
        << QRect(4, 0, 4, 4) << QRect(0, 0, 4, 4) << QPoint(4, 0) << brush;
    QTest::newRow("other pixels keep their colour")
        << QRect(4, 0, 4, 4) << QRect(0, 0, 4, 4) << QPoint(5, 1) << QColor(Qt::black);
    QTest::newRow("left of the destination untouched")
        << QRect(4, 0, 4, 4) << QRect(0, 0, 4, 4) << QPoint(3, 0) << background;
    QTest::newRow("source taller than the bitmap draws only the bitmap")
        << QRect(4, 0, 4, 10) << QRect(0, 0, 4, 10) << QPoint(5, 6) << background;
    QTest::newRow("source taller: the bitmap part stays in place")
        << QRect(4, 0, 4, 10) << QRect(0, 0, 4, 10) << QPoint(5, 1) << QColor(Qt::black);
    Q_UNUSED(olive);
}

void TestDBGrid::brushCopyReplacesTheTransparentColour() {
    QFETCH(QRect, dest);
    QFETCH(QRect, source);
    QFETCH(QPoint, probe);
    QFETCH(QColor, expected);
    QImage bitmap(4, 4, QImage::Format_RGB32);
    bitmap.fill(QColor(128, 128, 0));
    bitmap.setPixelColor(1, 1, Qt::black);
    QImage target(12, 12, QImage::Format_RGB32);
    target.fill(Qt::white);
    {
        QPainter painter(&target);
        TCanvas canvas(&painter, QColor(0, 0, 200));
        canvas.BrushCopy(dest, bitmap, source, QColor(128, 128, 0));
    }
    QCOMPARE(target.pixelColor(probe), expected);
}

void TestDBGrid::gridFollowsTheCursorAndMovesIt() {
    GridScreen screen(20);
    QList<int> scrolls;
    screen.set->AfterScroll = [&](TClientDataSet* ds) { scrolls << ds->RecNo(); };
    screen.set->SetRecNo(15);
    QCOMPARE(screen.grid.currentIndex().row(), 15);
    QVERIFY(screen.grid.selectionModel()->isRowSelected(15, {}));
    QVERIFY(screen.grid.viewport()->rect().intersects(screen.grid.visualRect(screen.grid.currentIndex())));
    screen.set->First();
    QCOMPARE(screen.grid.currentIndex().row(), 0);
    QTest::mouseClick(screen.grid.viewport(), Qt::LeftButton, {}, screen.cellCentre(2, 2));
    QCOMPARE(screen.set->RecNo(), 2);
    QCOMPARE(screen.grid.SelectedField(), screen.set->FieldByName("NAME"));
    screen.grid.setFocus();
    QTest::keyClick(&screen.grid, Qt::Key_Down);
    QCOMPARE(screen.set->RecNo(), 3);
    QTest::keyClick(&screen.grid, Qt::Key_Tab);
    QCOMPARE(screen.grid.SelectedField(), screen.set->FieldByName("AMOUNT"));
    QCOMPARE(screen.set->RecNo(), 3);
    QCOMPARE(scrolls, (QList<int>{15, 0, 2, 3}));
    screen.set->LoadFromPacket(fixtures::Packet(4));
    QCOMPARE(screen.grid.currentIndex().row(), 0);
    screen.set->Close();
    QVERIFY(!screen.grid.currentIndex().isValid());
}

void TestDBGrid::keyDownHandlerDecidesTheKey_data() {
    QTest::addColumn<int>("replacement");  // what the handler leaves in Key; -1 leaves it alone
    QTest::addColumn<int>("recNo");
    QTest::newRow("key passed on") << -1 << 3;
    QTest::newRow("key swallowed") << 0 << 2;
    QTest::newRow("key replaced") << int(Qt::Key_Up) << 1;
}

void TestDBGrid::keyDownHandlerDecidesTheKey() {
    QFETCH(int, replacement);
    GridScreen screen(6);
    screen.set->SetRecNo(2);
    QList<int> seen;
    screen.grid.OnKeyDown = [&](QObject* sender, int& key, Qt::KeyboardModifiers shift) {
        QCOMPARE(sender, &screen.grid);
        QCOMPARE(shift, Qt::ShiftModifier);
        if (key == Qt::Key_Shift) return;  // the modifier's own press
        seen << key;
        if (replacement >= 0) key = replacement;
    };
    screen.grid.setFocus();
    QTest::keyClick(&screen.grid, Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(seen, QList<int>{Qt::Key_Down});
    QTEST(screen.set->RecNo(), "recNo");
}

void TestDBGrid::doubleClickAndSelectedField() {
    GridScreen screen(5);
    QList<QString> fields;
    screen.grid.OnDblClick = [&](QObject* sender) {
        QCOMPARE(sender, &screen.grid);
        fields << screen.grid.SelectedField()->FieldName() + u'@' + QString::number(screen.set->RecNo());
    };
    QTest::mouseDClick(screen.grid.viewport(), Qt::LeftButton, {}, screen.cellCentre(3, 0));
    QTest::mouseDClick(screen.grid.viewport(), Qt::LeftButton, {}, screen.cellCentre(1, 2));
    // Below the last row there is no cell: nothing happens.
    QTest::mouseDClick(screen.grid.viewport(), Qt::LeftButton, {},
                       QPoint(10, screen.grid.viewport()->height() - 2));
    // Other buttons are no double-click of the row.
    QTest::mouseDClick(screen.grid.viewport(), Qt::RightButton, {}, screen.cellCentre(2, 0));
    QTest::mouseDClick(screen.grid.viewport(), Qt::MiddleButton, {}, screen.cellCentre(2, 0));
    QCOMPARE(fields, (QList<QString>{"MARK@3", "NAME@1"}));
}

void TestDBGrid::handlerErrorsStayInsideTheGrid() {
    GridScreen screen(3);
    QStringList shown;
    kpv::SetErrorDisplay([&](const QString& message) { shown << message; });
    screen.grid.OnTitleClick = [](TColumn*) { throw kpv::Error(QStringLiteral("Falha no título.")); };
    screen.grid.OnDrawColumnCell = [](QObject*, const QRect&, int, TColumn*, TGridDrawState) {
        kpv::Abort();
    };
    screen.set->FieldByName("NAME")->OnGetText = [](TField*, QString&, bool) {
        throw kpv::Error(QStringLiteral("texto"));
    };
    QHeaderView* header = screen.grid.horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(1) + 5, 5));
    screen.grid.viewport()->grab();
    QCOMPARE(shown, QStringList{"Falha no título."});
    QCOMPARE(screen.grid.model()->data(screen.grid.model()->index(0, 2)).toString(), QString());
    kpv::SetErrorDisplay({});
}

void TestDBGrid::editRepaintsOneRowAndFrozenControlsOneRefresh() {
    GridScreen screen(40);
    QSignalSpy changes(screen.grid.model(), &QAbstractItemModel::dataChanged);
    QSignalSpy resets(screen.grid.model(), &QAbstractItemModel::modelReset);
    screen.set->SetRecNo(9);
    screen.set->Edit();
    screen.set->FieldByName("MARK")->SetAsString("S");
    screen.set->Post();
    QVERIFY(!changes.isEmpty());
    for (const auto& change : changes) {
        QCOMPARE(change.at(0).toModelIndex().row(), 9);
        QCOMPARE(change.at(1).toModelIndex().row(), 9);
    }
    changes.clear();
    screen.set->DisableControls();
    for (screen.set->First(); !screen.set->Eof(); screen.set->Next()) {
        screen.set->Edit();
        screen.set->FieldByName("MARK")->SetAsString("S");
        screen.set->Post();
    }
    QCOMPARE(changes.count(), 0);
    screen.set->EnableControls();
    QCOMPARE(changes.count(), 1);
    QCOMPARE(changes[0].at(0).toModelIndex().row(), 0);
    QCOMPARE(changes[0].at(1).toModelIndex().row(), 39);
    QCOMPARE(resets.count(), 0);
    QCOMPARE(screen.grid.model()->data(screen.grid.model()->index(39, 0)).toString(), QStringLiteral("S"));
}

void TestDBGrid::navigatorMovesAndFollows_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("recNo");
    QTest::addColumn<QList<bool>>("enabled");  // first, prior, next, last afterwards
    QTest::newRow("next") << 0 << int(TDBNavigator::nbNext) << 1 << QList<bool>{true, true, true, true};
    QTest::newRow("last") << 1 << int(TDBNavigator::nbLast) << 4 << QList<bool>{true, true, false, false};
    QTest::newRow("prior") << 4 << int(TDBNavigator::nbPrior) << 3 << QList<bool>{true, true, true, true};
    QTest::newRow("first") << 3 << int(TDBNavigator::nbFirst) << 0 << QList<bool>{false, false, true, true};
}

void TestDBGrid::navigatorMovesAndFollows() {
    QFETCH(int, start);
    QFETCH(int, button);
    QFETCH(QList<bool>, enabled);
    GridScreen screen(5);
    TDBNavigator navigator(nullptr, QStringLiteral("dbnTeste"));
    navigator.SetDataSource(&screen.source);
    navigator.resize(108, 18);
    navigator.show();
    screen.set->SetRecNo(start);
    QTest::mouseClick(navigator.Button(static_cast<TDBNavigator::TNavigateBtn>(button)), Qt::LeftButton);
    QTEST(screen.set->RecNo(), "recNo");
    QCOMPARE(screen.grid.currentIndex().row(), screen.set->RecNo());
    for (int b = 0; b < 4; ++b) {
        QCOMPARE(navigator.Button(static_cast<TDBNavigator::TNavigateBtn>(b))->isEnabled(), enabled[b]);
    }
    screen.set->Close();
    for (int b = 0; b < 4; ++b)
        QVERIFY(!navigator.Button(static_cast<TDBNavigator::TNavigateBtn>(b))->isEnabled());
    navigator.SetEnabled(false);
    screen.set->LoadFromPacket(fixtures::Packet(5));
    navigator.BtnClick(TDBNavigator::nbLast);
    QCOMPARE(screen.set->RecNo(), 0);
}

void TestDBGrid::dbTextShowsTheCurrentRow() {
    GridScreen screen(3);
    TDBText text(nullptr, QStringLiteral("dbtTeste"));
    text.SetDataSource(&screen.source);
    text.SetDataField("AMOUNT");
    QFont bold(QStringLiteral("MS Sans Serif"));
    bold.setBold(true);
    bold.setPixelSize(12);
    text.SetFont(bold);
    QCOMPARE(text.text(), QStringLiteral("100,50"));
    QVERIFY(text.font().bold());
    screen.set->Last();
    QCOMPARE(text.text(), QStringLiteral("301,50"));
    screen.set->Edit();
    screen.set->FieldByName("AMOUNT")->SetAsFloat(1234.5);
    screen.set->Post();
    QCOMPARE(text.text(), QStringLiteral("1.234,50"));
    QCOMPARE(text.width(), text.sizeHint().width());
    screen.set->EmptyDataSet();
    QCOMPARE(text.text(), QString());
    screen.set->LoadFromPacket(fixtures::Packet(2));
    QCOMPARE(text.text(), QStringLiteral("100,50"));
    screen.set->Close();
    QCOMPARE(text.text(), QString());
}

QTEST_MAIN(TestDBGrid)
#include "test_db_grid.moc"
