#include "framework/data/db_navigator.h"

#include "framework/core/dispatch.h"
#include "framework/data/data_source.h"

#include <QPainter>
#include <QPainterPath>
#include <QToolButton>

namespace kpv::data {

namespace {

// Triangles pointing the way of the move; first and last add a bar at the end they reach.
QPixmap navigatorGlyph(TDBNavigator::TNavigateBtn button, const QColor& color) {
    QPixmap pixmap(10, 10);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    const bool backwards = button == TDBNavigator::nbFirst || button == TDBNavigator::nbPrior;
    QPainterPath triangle;
    if (backwards) {
        triangle.moveTo(7, 1);
        triangle.lineTo(2, 5);
        triangle.lineTo(7, 9);
    } else {
        triangle.moveTo(3, 1);
        triangle.lineTo(8, 5);
        triangle.lineTo(3, 9);
    }
    triangle.closeSubpath();
    p.drawPath(triangle);
    if (button == TDBNavigator::nbFirst) p.drawRect(0, 1, 2, 8);
    if (button == TDBNavigator::nbLast) p.drawRect(8, 1, 2, 8);
    return pixmap;
}

}  // namespace

TDBNavigator::TDBNavigator(QWidget* parent, const QString& name) : QWidget(parent) {
    setObjectName(name);
    static const char* const names[] = {"nbFirst", "nbPrior", "nbNext", "nbLast"};
    static const char* const hints[] = {"Primeiro", "Anterior", "Próximo", "Último"};
    for (int b = nbFirst; b <= nbLast; ++b) {
        auto* button = new QToolButton(this);
        button->setObjectName(QString::fromLatin1(names[b]));
        button->setToolTip(QString::fromUtf8(hints[b]));
        button->setAutoRaise(true);
        // Opaque, as the flat buttons are: enabling the navigator repaints its buttons alone.
        button->setBackgroundRole(QPalette::Window);
        button->setAutoFillBackground(true);
        button->setFocusPolicy(Qt::NoFocus);
        QIcon icon(navigatorGlyph(static_cast<TNavigateBtn>(b), palette().color(QPalette::WindowText)));
        icon.addPixmap(navigatorGlyph(static_cast<TNavigateBtn>(b),
                                      palette().color(QPalette::Disabled, QPalette::WindowText)),
                       QIcon::Disabled);
        button->setIcon(icon);
        connect(button, &QToolButton::clicked, this, [this, b] { BtnClick(static_cast<TNavigateBtn>(b)); });
        buttons_[static_cast<size_t>(b)] = button;
    }
    updateButtons();
}

void TDBNavigator::SetDataSource(TDataSource* source) {
    if (source_) disconnect(source_, nullptr, this, nullptr);
    source_ = source;
    if (source_) {
        for (auto signal : {&TDataSource::dataSetReplaced, &TDataSource::stateChanged,
                            &TDataSource::dataSetChanged, &TDataSource::scrolled}) {
            connect(source_, signal, this, &TDBNavigator::updateButtons);
        }
        connect(source_, &QObject::destroyed, this, [this] {
            source_ = nullptr;
            updateButtons();
        });
    }
    updateButtons();
}

void TDBNavigator::BtnClick(TNavigateBtn button) {
    TClientDataSet* dataSet = source_ ? source_->DataSet() : nullptr;
    if (!dataSet || !isEnabled()) return;
    Dispatch([&] {
        switch (button) {
            case nbFirst:
                dataSet->First();
                break;
            case nbPrior:
                dataSet->Prior();
                break;
            case nbNext:
                dataSet->Next();
                break;
            case nbLast:
                dataSet->Last();
                break;
        }
    });
}

void TDBNavigator::updateButtons() {
    const TClientDataSet* dataSet = source_ ? source_->DataSet() : nullptr;
    const bool active = dataSet && dataSet->Active() && !dataSet->IsEmpty();
    const bool back = active && dataSet->RecNo() > 0;
    const bool forward = active && dataSet->RecNo() < dataSet->RecordCount() - 1;
    buttons_[nbFirst]->setEnabled(back);
    buttons_[nbPrior]->setEnabled(back);
    buttons_[nbNext]->setEnabled(forward);
    buttons_[nbLast]->setEnabled(forward);
}

void TDBNavigator::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int width = this->width() / 4;
    for (int b = nbFirst; b <= nbLast; ++b) {
        const int left = b * width;
        const int right = b == nbLast ? this->width() : left + width;
        buttons_[static_cast<size_t>(b)]->setGeometry(left, 0, right - left, height());
    }
}

}  // namespace kpv::data
