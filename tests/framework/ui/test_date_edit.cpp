// The date edit: empty, valid and invalid texts, the date check that ends the event, dates without a
// time part, weekday names, the valid-date colour and the calendar.
#include "framework/core/dispatch.h"
#include "framework/core/errors.h"
#include "framework/ui/date_edit.h"
#include "framework/ui/scripted_interaction.h"

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QtTest>

using namespace kpv;
using namespace kpv::ui;

namespace {

// A screen with another field to leave the focus on and the date edit.
struct DateScreen {
    QWidget window;
    TEdit* other;
    TDateEditPlus* date;

    DateScreen() {
        window.setProperty("kpvForm", true);
        other = new TEdit(&window, "edtOutro");
        other->move(5, 5);
        date = new TDateEditPlus(&window, "depSaidIni");
        date->move(5, 40);
    }

    bool show() {
        window.show();
        QApplication::setActiveWindow(&window);
        if (!QTest::qWaitForWindowActive(&window)) return false;
        other->setFocus();
        return QApplication::focusWidget() == other;
    }
};

}  // namespace

class DateEdit : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void typedText_data();
    void typedText();
    void checkValidDate_data();
    void checkValidDate();
    void leavingAnInvalidDateKeepsTheFocus();
    void dateRoundTrip_data();
    void dateRoundTrip();
    void saveTime_data();
    void saveTime();
    void writtenText_data();
    void writtenText();
    void changeRule_data();
    void changeRule();
    void weekdayName_data();
    void weekdayName();
    void validDateColor();
    void calendarPicksADate();
};

void DateEdit::typedText_data() {
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("date");

    QTest::newRow("nothing typed") << ""
                                   << "" << QDate();
    QTest::newRow("digits get their slashes") << "01032024"
                                              << "01/03/2024" << QDate(2024, 3, 1);
    QTest::newRow("letters refused") << "0a1b032024"
                                     << "01/03/2024" << QDate(2024, 3, 1);
    QTest::newRow("slashes typed are skipped") << "01/03/2024"
                                               << "01/03/2024" << QDate(2024, 3, 1);
    QTest::newRow("day and month only") << "0103"
                                        << "01/03/    " << QDate();
    QTest::newRow("no such day") << "31022024"
                                 << "31/02/2024" << QDate();
    QTest::newRow("leap day") << "29022024"
                              << "29/02/2024" << QDate(2024, 2, 29);
    QTest::newRow("leap day in a common year") << "29022023"
                                               << "29/02/2023" << QDate();
    QTest::newRow("typed and erased again") << "01\b\b"
                                            << "" << QDate();
}

void DateEdit::typedText() {
    QFETCH(QString, keys);
    QFETCH(QString, text);
    QFETCH(QDate, date);

    TDateEditPlus edit(nullptr, "depSaidIni");
    for (const QChar c : keys) {
        if (c == u'\b')
            QTest::keyClick(&edit, Qt::Key_Backspace);
        else
            QTest::keyClick(&edit, c.toLatin1());
    }
    QCOMPARE(edit.Text(), text);
    QCOMPARE(edit.GetDate(), date);
}

void DateEdit::checkValidDate_data() {
    QTest::addColumn<QString>("written");
    QTest::addColumn<bool>("passes");

    QTest::newRow("empty") << "" << true;
    QTest::newRow("valid") << "17/03/2024" << true;
    QTest::newRow("incomplete") << "17/03/20" << false;
    QTest::newRow("no such month") << "17/13/2024" << false;
    QTest::newRow("no such day") << "30/02/2024" << false;
}

void DateEdit::checkValidDate() {
    QFETCH(QString, written);
    QFETCH(bool, passes);

    kpv::ScriptedInteraction user;
    QList<QWidget*> focusAtMessage;  // where the focus was when each box came up
    user.boxShown = [&](const kpv::ScriptedInteraction::Message&) {
        focusAtMessage << QApplication::focusWidget();
    };
    DateScreen screen;
    QVERIFY(screen.show());
    screen.date->SetText(written);

    bool ranToTheEnd = false;
    const bool completed = Dispatch([&] {
        screen.date->CheckValidDate();
        ranToTheEnd = true;
    });
    QCOMPARE(completed, passes);
    QCOMPARE(ranToTheEnd, passes);
    if (passes) {
        QVERIFY(user.messages.isEmpty());
        QCOMPARE(QApplication::focusWidget(), screen.other);
        return;
    }
    QCOMPARE(user.messageTexts(), QStringList({"Data inválida."}));
    QCOMPARE(user.messages.front().type, TMsgDlgType::mtError);
    QCOMPARE(focusAtMessage, QList<QWidget*>({screen.date}));

    // Called directly, the check ends its caller with the silent abort.
    user.clear();
    screen.other->setFocus();
    bool aborted = false;
    try {
        screen.date->CheckValidDate();
    } catch (const EAbort&) {
        aborted = true;
    }
    QVERIFY(aborted);
    QCOMPARE(QApplication::focusWidget(), screen.date);
}

void DateEdit::leavingAnInvalidDateKeepsTheFocus() {
    kpv::ScriptedInteraction user;
    DateScreen screen;
    QVERIFY(screen.show());
    screen.date->OnExit = [&](QObject*) { screen.date->CheckValidDate(); };
    screen.date->setFocus();
    QTest::keyClicks(screen.date, "3102");

    screen.other->setFocus();
    QCOMPARE(user.messageTexts(), QStringList({"Data inválida."}));
    QCOMPARE(QApplication::focusWidget(), screen.date);

    // Completed, the date lets the focus go.
    QTest::keyClicks(screen.date, "2024");
    QCOMPARE(screen.date->Text(), "31/02/2024");
    screen.date->selectAll();
    QTest::keyClicks(screen.date, "28022024");
    screen.other->setFocus();
    QCOMPARE(user.messageTexts().size(), 1);
    QCOMPARE(QApplication::focusWidget(), screen.other);
}

void DateEdit::dateRoundTrip_data() {
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("text");

    QTest::newRow("first of March") << QDate(2024, 3, 1) << "01/03/2024";
    QTest::newRow("leap day") << QDate(2000, 2, 29) << "29/02/2000";
    QTest::newRow("last day of a century") << QDate(1999, 12, 31) << "31/12/1999";
    QTest::newRow("no date") << QDate() << "";
}

void DateEdit::dateRoundTrip() {
    QFETCH(QDate, date);
    QFETCH(QString, text);

    TDateEditPlus edit(nullptr, "depSaidFim");
    edit.SetDate(QDate(2020, 1, 1));
    edit.SetDate(date);
    QCOMPARE(edit.Text(), text);
    QCOMPARE(edit.GetDate(), date);
    QCOMPARE(edit.GetDateTime().isValid(), date.isValid());
    if (date.isValid()) QCOMPARE(edit.GetDateTime(), QDateTime(date, QTime(0, 0)));
}

void DateEdit::saveTime_data() {
    QTest::addColumn<bool>("saveTime");
    QTest::addColumn<QTime>("kept");

    QTest::newRow("no time part") << false << QTime(0, 0);
    QTest::newRow("time kept") << true << QTime(13, 45, 10);
}

void DateEdit::saveTime() {
    QFETCH(bool, saveTime);
    QFETCH(QTime, kept);

    TDateEditPlus edit(nullptr, "depSaidIni");
    QVERIFY(!edit.SaveTime());
    edit.SetSaveTime(saveTime);
    edit.SetDateTime(QDateTime(QDate(2024, 3, 17), QTime(13, 45, 10)));
    QCOMPARE(edit.GetDate(), QDate(2024, 3, 17));
    QCOMPARE(edit.GetDateTime(), QDateTime(QDate(2024, 3, 17), kept));

    // A date written on its own carries no time.
    edit.SetDate(QDate(2024, 3, 18));
    QCOMPARE(edit.GetDateTime(), QDateTime(QDate(2024, 3, 18), QTime(0, 0)));
}

void DateEdit::writtenText_data() {
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("text");

    QTest::newRow("as shown") << "05/06/2024"
                              << "05/06/2024";
    QTest::newRow("without leading zeros") << "5/6/2024"
                                           << "05/06/2024";
    QTest::newRow("digits only") << "05062024"
                                 << "05/06/2024";
    QTest::newRow("blank") << "  /  /    "
                           << "";
    QTest::newRow("empty") << ""
                           << "";
}

void DateEdit::writtenText() {
    QFETCH(QString, written);
    QFETCH(QString, text);

    TDateEditPlus edit(nullptr, "depSaidIni");
    edit.SetText(written);
    QCOMPARE(edit.Text(), text);
}

void DateEdit::changeRule_data() {
    QTest::addColumn<QDate>("initial");
    QTest::addColumn<QDate>("written");
    QTest::addColumn<int>("changes");

    QTest::newRow("another date") << QDate(2024, 3, 1) << QDate(2024, 3, 2) << 1;
    QTest::newRow("the same date") << QDate(2024, 3, 1) << QDate(2024, 3, 1) << 0;
    QTest::newRow("emptied") << QDate(2024, 3, 1) << QDate() << 1;
    QTest::newRow("empty again") << QDate() << QDate() << 0;
}

void DateEdit::changeRule() {
    QFETCH(QDate, initial);
    QFETCH(QDate, written);
    QFETCH(int, changes);

    TDateEditPlus edit(nullptr, "depSaidIni");
    edit.SetDate(initial);
    int count = 0;
    edit.OnChange = [&](QObject*) { ++count; };
    edit.SetDate(written);
    QCOMPARE(count, changes);
}

void DateEdit::weekdayName_data() {
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QStringList>("names");  // empty: the defaults
    QTest::addColumn<QString>("weekday");

    QTest::newRow("Sunday") << QDate(2024, 3, 3) << QStringList() << "Domingo";
    QTest::newRow("Monday") << QDate(2024, 3, 4) << QStringList() << "Segunda-feira";
    QTest::newRow("Wednesday") << QDate(2024, 3, 6) << QStringList() << "Quarta-feira";
    QTest::newRow("Saturday") << QDate(2024, 3, 9) << QStringList() << "Sábado";
    QTest::newRow("no date") << QDate() << QStringList() << "";
    QTest::newRow("names of the screen")
        << QDate(2024, 3, 5) << QStringList({"Dom", "Seg", "Ter", "Qua", "Qui", "Sex", "Sáb"}) << "Ter";
}

void DateEdit::weekdayName() {
    QFETCH(QDate, date);
    QFETCH(QStringList, names);
    QFETCH(QString, weekday);

    TDateEditPlus edit(nullptr, "depSaidIni");
    QCOMPARE(edit.NomeSemana(), QStringList({"Domingo", "Segunda-feira", "Terça-feira", "Quarta-feira",
                                             "Quinta-feira", "Sexta-feira", "Sábado"}));
    if (!names.isEmpty()) edit.SetNomeSemana(names);
    edit.SetDate(date);
    QCOMPARE(edit.WeekdayName(), weekday);
    QCOMPARE(edit.toolTip(), weekday);
}

void DateEdit::validDateColor() {
    TDateEditPlus edit(nullptr, "depSaidIni");
    const QColor plain = edit.palette().color(QPalette::Text);
    const QColor blue(Qt::blue);
    QVERIFY(plain != blue);
    edit.SetColor(clInfoBk);
    edit.SetValidDateColor(blue);
    QCOMPARE(edit.ValidDateColor(), blue);

    edit.SetDate(QDate(2024, 3, 17));
    QCOMPARE(edit.palette().color(QPalette::Text), blue);
    QCOMPARE(edit.palette().color(QPalette::Base), clInfoBk);

    QTest::keyClick(&edit, Qt::Key_Backspace);  // the year loses a digit: no longer a date
    QCOMPARE(edit.Text(), "17/03/202 ");
    QCOMPARE(edit.palette().color(QPalette::Text), plain);
    QTest::keyClick(&edit, '5');
    QCOMPARE(edit.GetDate(), QDate(2025, 3, 17));
    QCOMPARE(edit.palette().color(QPalette::Text), blue);
}

void DateEdit::calendarPicksADate() {
    DateScreen screen;
    QVERIFY(screen.show());
    screen.date->SetDate(QDate(2024, 3, 17));
    int changes = 0;
    screen.date->OnChange = [&](QObject*) { ++changes; };

    auto* button = screen.date->findChild<QAction*>("depSaidIniCalendario");
    QVERIFY(button);
    button->trigger();
    QCalendarWidget* calendar = screen.date->Calendar();
    QVERIFY(calendar);
    QVERIFY(calendar->isVisible());
    QCOMPARE(calendar->selectedDate(), QDate(2024, 3, 17));
    QCOMPARE(calendar->firstDayOfWeek(), Qt::Sunday);

    Q_EMIT calendar->clicked(QDate(2024, 3, 20));
    QVERIFY(!calendar->isVisible());
    QCOMPARE(screen.date->GetDate(), QDate(2024, 3, 20));
    QCOMPARE(changes, 1);
    QCOMPARE(QApplication::focusWidget(), screen.date);

    // An empty field opens the calendar on today.
    screen.date->SetDate(QDate());
    screen.date->OpenCalendar();
    QCOMPARE(calendar->selectedDate(), QDate::currentDate());
    calendar->close();
}

QTEST_MAIN(DateEdit)
#include "test_date_edit.moc"
