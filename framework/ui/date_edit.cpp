#include "framework/ui/date_edit.h"

#include "framework/core/routines.h"
#include "framework/ui/glyphs.h"

#include <QAction>
#include <QCalendarWidget>
#include <QIcon>
#include <QLocale>

#include <algorithm>

namespace kpv::ui {

namespace {

const QString kDateFormat = QStringLiteral("dd/MM/yyyy");

bool holdsDigit(const QString& text) {
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

}  // namespace

TDateEditPlus::TDateEditPlus(QWidget* parent, const QString& name)
    : TMaskEdit(parent, name),
      validDateColor_(palette().color(QPalette::Text)),
      plainTextColor_(validDateColor_),
      nomeSemana_{QStringLiteral("Domingo"),      QStringLiteral("Segunda-feira"),
                  QStringLiteral("Terça-feira"),  QStringLiteral("Quarta-feira"),
                  QStringLiteral("Quinta-feira"), QStringLiteral("Sexta-feira"),
                  QStringLiteral("Sábado")} {
    SetEditMask(QStringLiteral("99/99/9999;1; "));
    QAction* button = addAction(QIcon(Glyph(TGlyph::Calendar)), QLineEdit::TrailingPosition);
    button->setObjectName(name + QStringLiteral("Calendario"));
    connect(button, &QAction::triggered, this, &TDateEditPlus::OpenCalendar);
}

QDate TDateEditPlus::GetDate() const {
    return QDate::fromString(Text(), kDateFormat);
}

void TDateEditPlus::SetDate(const QDate& date) {
    writeDate(date, QTime());
}

QDateTime TDateEditPlus::GetDateTime() const {
    const QDate date = GetDate();
    if (!date.isValid()) return {};
    return QDateTime(date, saveTime_ && time_.isValid() ? time_ : QTime(0, 0));
}

void TDateEditPlus::SetDateTime(const QDateTime& value) {
    writeDate(value.date(), saveTime_ ? value.time() : QTime());
}

void TDateEditPlus::writeDate(const QDate& date, const QTime& time) {
    time_ = date.isValid() ? time : QTime();
    SetText(date.isValid() ? date.toString(kDateFormat) : QString());
}

void TDateEditPlus::CheckValidDate() {
    if (Text().isEmpty() || GetDate().isValid()) return;
    SetFocus();
    MensErro(QStringLiteral("Data inválida."), true);
}

QString TDateEditPlus::Text() const {
    const QString shown = TMaskEdit::Text();
    return holdsDigit(shown) ? shown : QString();
}

void TDateEditPlus::SetValidDateColor(const QColor& color) {
    validDateColor_ = color;
    displayChanged();
}

void TDateEditPlus::SetNomeSemana(const QStringList& names) {
    nomeSemana_ = names;
    displayChanged();
}

void TDateEditPlus::SetSaveTime(bool saveTime) {
    saveTime_ = saveTime;
    if (!saveTime_) time_ = QTime();
}

QString TDateEditPlus::WeekdayName() const {
    const QDate date = GetDate();
    return date.isValid() ? nomeSemana_.value(date.dayOfWeek() % 7) : QString();
}

void TDateEditPlus::OpenCalendar() {
    if (!calendar_) {
        calendar_ = new QCalendarWidget(this);
        calendar_->setObjectName(objectName() + QStringLiteral("Calendario"));
        calendar_->setWindowFlags(Qt::Popup);
        calendar_->setLocale(QLocale(QLocale::Portuguese, QLocale::Brazil));
        calendar_->setFirstDayOfWeek(Qt::Sunday);
        calendar_->setGridVisible(true);
        auto pick = [this](QDate date) {
            calendar_->close();
            SetFocus();
            Dispatch([&] { SetDate(date); });
        };
        connect(calendar_, &QCalendarWidget::clicked, this, pick);
        connect(calendar_, &QCalendarWidget::activated, this, pick);
    }
    const QDate shown = GetDate();
    calendar_->setSelectedDate(shown.isValid() ? shown : QDate::currentDate());
    calendar_->move(mapToGlobal(QPoint(0, height())));
    calendar_->show();
    calendar_->setFocus(Qt::PopupFocusReason);
}

QString TDateEditPlus::normalised(const QString& text) const {
    // A date written without leading zeros still lands in its places.
    const QDate written = QDate::fromString(text.trimmed(), QStringLiteral("d/M/yyyy"));
    const QString laid = TMaskEdit::normalised(written.isValid() ? written.toString(kDateFormat) : text);
    return holdsDigit(laid) ? laid : QString();
}

void TDateEditPlus::displayChanged() {
    const QDate date = GetDate();
    QPalette p = palette();
    p.setColor(QPalette::Text, date.isValid() ? validDateColor_ : plainTextColor_);
    setPalette(p);
    setToolTip(WeekdayName());
}

}  // namespace kpv::ui
