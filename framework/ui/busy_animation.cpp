#include "framework/ui/busy_animation.h"

#include <QApplication>
#include <QPainter>
#include <QPointer>
#include <QWidget>

namespace kpv {

namespace {

// A veil over the screen with a spinner and a text. The server calls block the event loop, so it is
// painted once, at once, and stays as it is until the work ends.
class BusyOverlay : public QWidget {
  public:
    BusyOverlay(QWidget* form, int kind, QString text) : QWidget(form), kind_(kind), text_(std::move(text)) {
        setObjectName(QStringLiteral("ShowAvi"));
        setAttribute(Qt::WA_TransparentForMouseEvents, false);
        setGeometry(form->rect());
        raise();
        show();
    }

    void setText(const QString& text) {
        text_ = text;
        repaint();
    }
    QString text() const { return text_; }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillRect(rect(), QColor(255, 255, 255, 150));
        const QRect box(width() / 2 - 170, height() / 2 - 45, 340, 90);
        p.setPen(QColor(90, 90, 90));
        p.setBrush(QColor(250, 250, 250));
        p.drawRoundedRect(box, 6, 6);
        // Spinner: twelve spokes; a magnifier ring for look-ups (kind 1).
        const QPoint centre(box.left() + 40, box.center().y());
        if (kind_ == 1) {
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
        p.drawText(box.adjusted(75, 8, -12, -8), Qt::AlignVCenter | Qt::TextWordWrap, shown);
    }

  private:
    int kind_;
    QString text_;
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

void SetShowAviText(const QString& text) {
    if (overlay()) overlay()->setText(text);
}

}  // namespace kpv
