#pragma once

#include "host/session_script.h"

#include <QElapsedTimer>
#include <QMap>
#include <QObject>
#include <QPointer>

#include <functional>
#include <map>
#include <optional>
#include <vector>

class QAbstractItemView;
class QDialog;
class QWidget;

namespace kpv {
class ScriptedInteraction;
}

namespace kpv::host {

// Plays a session script against the running host as a user would: controls are found by their object
// names, typed into, clicked and checked; questions take the answers the script queued. Steps run one
// per pass of the event loop, so a step that opens a modal dialog lets the following steps drive it.
class SessionRunner : public QObject {
    Q_OBJECT
  public:
    SessionRunner(std::vector<SessionStep> steps, ScriptedInteraction& user, QWidget* mainWindow,
                  std::function<void()> openScreen, std::function<void(const QString&)> print);

    void Start();
    // Raised once: after the last step with an empty text, or with the reason the session stopped.
    std::function<void(const QString& failure)> Finished;

    // How many arguments a step takes.
    struct Arity {
        int least;
        int most;
    };
    // Nothing for a command that is no step.
    static std::optional<Arity> StepArity(const QString& command);
    // Why the arguments cannot do what the step says (a key Qt does not know), or nothing.
    static std::optional<QString> CheckStep(const QString& command, const QStringList& args);

  private:
    struct Step {
        Arity arity;
        void (SessionRunner::*run)(const QStringList& args);
        // Checks the arguments when the script is read; null for steps whose arguments are checked as they
        // run (controls are found only once they exist).
        std::optional<QString> (*check)(const QStringList& args) = nullptr;
    };
    static const std::map<QString, Step>& steps();

    void tick();
    void run(const SessionStep& step);
    void finish(const QString& failure);
    void makeCurrent(QAbstractItemView* view, int row);

    // The steps, one each, by the command that names them (docs/session-scripts.md).
    void openStep(const QStringList& args);
    void focusStep(const QStringList& args);
    void typeStep(const QStringList& args);
    void keyStep(const QStringList& args);
    void clickStep(const QStringList& args);
    void closeStep(const QStringList& args);
    void rowStep(const QStringList& args);
    void findRowStep(const QStringList& args);
    void rememberStep(const QStringList& args);
    void findRememberedStep(const QStringList& args);
    void dblclickStep(const QStringList& args);
    void titleStep(const QStringList& args);
    void answerStep(const QStringList& args);
    void pickStep(const QStringList& args);
    void markStep(const QStringList& args);
    void saveAsStep(const QStringList& args);
    void expectTextStep(const QStringList& args);
    void expectFocusStep(const QStringList& args);
    void expectEnabledStep(const QStringList& args);
    void expectMessageStep(const QStringList& args);
    void expectNoMessageStep(const QStringList& args);
    void expectNoErrorStep(const QStringList& args);
    void expectRowsStep(const QStringList& args);
    void expectCellStep(const QStringList& args);
    void expectFileStep(const QStringList& args);
    void dumpStep(const QStringList& args);
    void shotStep(const QStringList& args);
    void echoStep(const QStringList& args);

    QObject* find(const QString& name) const;
    QWidget* widget(const QString& name) const;
    QAbstractItemView* grid(const QString& name) const;
    int column(QAbstractItemView* view, const QString& title) const;
    // The row of that number (from 0), which the grid must have.
    int row(QAbstractItemView* view, const QString& number) const;
    QString cell(QAbstractItemView* view, int row, int column) const;
    void expectEqual(const QString& what, const QString& expected, const QString& shown) const;

    std::vector<SessionStep> steps_;
    size_t next_ = 0;
    size_t executing_ = 0;  // steps that have started and not returned
    bool done_ = false;
    bool settled_ = false;
    ScriptedInteraction& user_;
    QWidget* mainWindow_;
    std::function<void()> openScreen_;
    std::function<void(const QString&)> print_;
    std::vector<QPointer<QDialog>> modals_;
    qsizetype messagesRead_ = 0;
    QMap<QString, QString> remembered_;  // column title -> the cell of the row `remember` kept
    QElapsedTimer waiting_;              // since when no window is active
};

}  // namespace kpv::host
