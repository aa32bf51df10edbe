#pragma once

#include "framework/framework_export.h"
#include "framework/ui/mask_edit.h"

#include <QDate>
#include <QDateTime>
#include <QStringList>

class QCalendarWidget;

namespace kpv::ui {

// A date edit (dd/mm/yyyy, the slashes laid by its mask) with a calendar button. It may hold no date:
// Text() is then empty and GetDate() null. A valid date is written in ValidDateColor and its weekday,
// named by NomeSemana, is the field's tool tip.
class KPV_FRAMEWORK_EXPORT TDateEditPlus : public TMaskEdit {
    Q_OBJECT
  public:
    TDateEditPlus(QWidget* parent, const QString& name);

    QDate GetDate() const;
    void SetDate(const QDate& date);  // a null date empties the field
    // With SaveTime the time of day given here is kept with the date; without it the date is midnight.
    QDateTime GetDateTime() const;
    void SetDateTime(const QDateTime& value);

    // A text that is neither empty nor a date puts the focus here, shows "Data inválida." and ends the
    // current event.
    void CheckValidDate();

    QString Text() const override;

    QColor ValidDateColor() const { return validDateColor_; }
    void SetValidDateColor(const QColor& color);
    // Weekday names from Sunday to Saturday.
    QStringList NomeSemana() const { return nomeSemana_; }
    void SetNomeSemana(const QStringList& names);
    bool SaveTime() const { return saveTime_; }
    void SetSaveTime(bool saveTime);
    // The weekday of the date in the field, by NomeSemana; empty without a valid date.
    QString WeekdayName() const;

    // The calendar pop-up, created on first use; null before.
    QCalendarWidget* Calendar() const { return calendar_; }
    void OpenCalendar();

  protected:
    QString normalised(const QString& text) const override;
    void displayChanged() override;

  private:
    void writeDate(const QDate& date, const QTime& time);

    QColor validDateColor_;
    QColor plainTextColor_;
    QStringList nomeSemana_;
    bool saveTime_ = false;
    QTime time_;
    QCalendarWidget* calendar_ = nullptr;
};

}  // namespace kpv::ui
