#include "framework/ui/busy_animation.h"

#include <QApplication>
#include <QPainter>
#include <QPointer>
#include <QWidget>

#include <algorithm>

namespace kpv {

namespace {

// A box in the middle of the screen with a spinner and a text. The server calls block the event loop, so it
// is painted once, at once, and stays as it is until the work ends. The box is opaque and covers nothing
// beyond itself: showing it paints its own pixels only, and hiding it repaints only what it covered.
class BusyOverlay : public QWidget {
  public:
    static constexpr QSize kBox{340, 90};

    BusyOverlay(QWidget* form, int kind, QString text) : QWidget(form), kind_(kind), text_(std::move(text)) {
        setObjectName(QStringLiteral("ShowAvi"));
        setAttribute(Qt::WA_OpaquePaintEvent);
        setGeometry(QRect(
            QPoint(form->width() / 2 - kBox.width() / 2, form->height() / 2 - kBox.height() / 2), kBox));
        raise();
        show();
    }

    void setProgress(int done, int total) {
        progress_ = {done, total};
        repaint();
    }
    std::pair<int, int> progress() const { return progress_; }
    QString text() const { return text_; }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), QColor(250, 250, 250));
        p.setPen(QColor(90, 90, 90));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
        p.setRenderHint(QPainter::Antialiasing);
        // Spinner: twelve spokes; a magnifier ring for look-ups.
        const QPoint centre(40, height() / 2);
        if (kind_ == akLookup) {
            p.setPen(QPen(QColor(40, 80, 160), 4));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(centre + QPoint(-3, -3), 11, 11);
            p.drawLine(centre + QPoint(5, 5), centre + QPoint(14, 14));
        } else {
            for (int i = 0; i < 12; ++i) {
                p.save();
                p.translate(centre);
                p.rotate(i * 30.0);
                p.setPen(QPen(QColor(40, 80, 160, 60 + i * 16), 3, Qt::SolidLine, Qt::RoundCap));
                p.drawLine(0, 8, 0, 16);
                p.restore();
            }
        }
        p.setPen(Qt::black);
        const QString shown = text_.isEmpty() ? QStringLiteral("Aguarde...") : text_;
        const auto [done, total] = progress_;
        const QRect textArea = rect().adjusted(75, 8, -12, total > 0 ? -kBar - 14 : -8);
        p.drawText(textArea, Qt::AlignVCenter | Qt::TextWordWrap, shown);
        if (total <= 0) return;
        // Under the text: how far the run has come, "2 de 5" inside the bar.
        const QRect bar(75, height() - kBar - 10, width() - 75 - 12, kBar);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QColor(90, 90, 90));
        p.setBrush(Qt::white);
        p.drawRect(bar.adjusted(0, 0, -1, -1));
        const int filled = (bar.width() - 2) * std::clamp(done, 0, total) / total;
        p.fillRect(QRect(bar.left() + 1, bar.top() + 1, filled, bar.height() - 2), QColor(40, 80, 160, 110));
        p.setPen(Qt::black);
        p.drawText(bar, Qt::AlignCenter, QStringLiteral("%1 de %2").arg(done).arg(total));
    }

  private:
    static constexpr int kBar = 18;

    int kind_;
    QString text_;
    std::pair<int, int> progress_{0, 0};
};

QPointer<BusyOverlay>& overlay() {
    static QPointer<BusyOverlay> current;
    return current;
}

}  // namespace

void ActiveShowAvi(QWidget* form, int kind, const QString& text) {
    DeactiveShowAvi();
    if (!form) return;
    overlay() = new BusyOverlay(form, kind, text);
    overlay()->repaint();
}

void DeactiveShowAvi() {
    if (overlay()) {
        overlay()->hide();
        overlay()->deleteLater();
        overlay() = nullptr;
    }
}

bool ShowAviActive() {
    return !overlay().isNull();
}

QString ShowAviText() {
    return overlay() ? overlay()->text() : QString();
}

void SetShowAviProgress(int done, int total) {
    if (overlay()) overlay()->setProgress(done, total);
}

std::pair<int, int> ShowAviProgress() {
    return overlay() ? overlay()->progress() : std::pair{0, 0};
}

}  // namespace kpv
