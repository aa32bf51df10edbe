#include "framework/ui/control.h"

#include <QApplication>
#include <QHash>
#include <QPointer>
#include <QWidget>

#include <exception>
#include <vector>

namespace kpv::ui {

namespace {

// The screen a widget belongs to: its nearest ancestor marked as a form, or its window.
QWidget* formOf(QWidget* w) {
    for (QWidget* p = w; p; p = p->parentWidget()) {
        if (p->property("kpvForm").toBool() || p->isWindow()) return p;
    }
    return nullptr;
}

std::vector<QWidget*> chainUpTo(QWidget* from, QWidget* stop) {
    std::vector<QWidget*> chain;
    for (QWidget* p = from; p && p != stop; p = p->parentWidget()) chain.push_back(p);
    return chain;
}

QWidget* commonAncestor(QWidget* a, QWidget* b) {
    for (QWidget* p = a; p; p = p->parentWidget()) {
        if (p == b || p->isAncestorOf(b)) return p;
    }
    return nullptr;
}

// A focus move the code makes with SetFocus. The exits and enters it raises are part of the code's own
// work, as a handler called from code is: the first of them to fail is kept for SetFocus to hand on.
struct CodeMove {
    std::exception_ptr failure;
};

// The moves under way, innermost last; null while a handler raised by one runs, so that what that handler
// does (a move of its own, a dialog the user works in) belongs to it and not to the move around it.
std::vector<CodeMove*>& codeMoves() {
    static std::vector<CodeMove*> moves;
    return moves;
}

class MoveScope {
  public:
    explicit MoveScope(CodeMove* move) { codeMoves().push_back(move); }
    ~MoveScope() { codeMoves().pop_back(); }
    MoveScope(const MoveScope&) = delete;
    MoveScope& operator=(const MoveScope&) = delete;
};

// Runs an enter or exit handler: inside a move from code it fails into that move, otherwise it is an event
// of its own at the border to Qt. Whether it ran to its end.
bool raise(const TNotifyEvent& handler, QWidget* control) {
    CodeMove* move = codeMoves().empty() ? nullptr : codeMoves().back();
    if (!move) return Dispatch([&] { handler(control); });
    const MoveScope own(nullptr);
    try {
        handler(control);
        return true;
    } catch (...) {
        if (!move->failure) move->failure = std::current_exception();
        return false;
    }
}

class FocusTracker : public QObject {
  public:
    explicit FocusTracker(QObject* parent) : QObject(parent) {
        connect(qApp, &QApplication::focusChanged, this, &FocusTracker::onFocusChanged);
    }

  private:
    void onFocusChanged(QWidget* old, QWidget* now) {
        if (!now) return;  // the application lost activation: no events
        QWidget* form = formOf(now);
        // A handler that puts the focus back on its own control (or inside it) while its exit runs
        // raises nothing more: the focus simply stays there.
        for (const QPointer<QWidget>& w : exiting_) {
            if (w && (w == now || w->isAncestorOf(now))) {
                lastFocus_[form] = now;
                return;
            }
        }
        QPointer<QWidget>& last = lastFocus_[form];
        // Where the focus is as far as the screen's events go. While a control's exit runs the focus
        // counts as being in the control's container, so a focus change made meanwhile (a handler that
        // moves the focus, or a dialog it opens and closes) starts from there and does not exit the
        // control a second time.
        QWidget* previous = last ? last.data() : ((old && formOf(old) == form) ? old : nullptr);
        if (previous == now) return;  // the screen regained activation where it was
        if (!previous) {
            last = now;
            return;
        }

        QWidget* common = commonAncestor(previous, now);
        QPointer<QWidget> target(now);
        auto stillOnTarget = [&] { return target && QApplication::focusWidget() == target; };

        // Exits from the innermost control out to the common container, then enters inwards.
        const std::vector<QPointer<QWidget>> exits = guarded(chainUpTo(previous, common));
        for (const auto& w : exits) {
            if (!w) continue;
            lastFocus_[form] = w->parentWidget();
            if (auto* events = dynamic_cast<TControlEvents*>(w.data()); events && events->OnExit) {
                exiting_.push_back(w);
                const bool completed = raise(events->OnExit, w.data());
                exiting_.pop_back();
                if (!stillOnTarget()) return;  // the handler moved the focus: that move rules now
                if (!completed) {
                    // The event ended where the focus now is: no enters, but it is there.
                    lastFocus_[form] = now;
                    return;
                }
            }
        }
        lastFocus_[form] = now;
        std::vector<QPointer<QWidget>> enters = guarded(chainUpTo(now, common));
        for (auto it = enters.rbegin(); it != enters.rend(); ++it) {
            if (!*it) continue;
            if (auto* events = dynamic_cast<TControlEvents*>(it->data()); events && events->OnEnter) {
                if (!raise(events->OnEnter, it->data())) return;
                if (!stillOnTarget()) return;
            }
        }
    }

    static std::vector<QPointer<QWidget>> guarded(const std::vector<QWidget*>& chain) {
        return {chain.begin(), chain.end()};
    }

    QHash<QWidget*, QPointer<QWidget>> lastFocus_;
    std::vector<QPointer<QWidget>> exiting_;  // controls whose exit handlers are running, innermost last
};

}  // namespace

void InstallFocusTracker() {
    static QPointer<FocusTracker> tracker;
    if (!tracker && qApp) tracker = new FocusTracker(qApp);
}

void Place(QWidget* widget, const TBounds& bounds) {
    const int height = bounds.height == TBounds::kOwnHeight ? widget->sizeHint().height() : bounds.height;
    widget->setGeometry(bounds.left, bounds.top, bounds.width, height);
}

void SetFocus(QWidget* widget) {
    if (!widget) return;
    CodeMove move;
    {
        const MoveScope scope(&move);
        widget->setFocus(Qt::OtherFocusReason);
    }
    if (move.failure) std::rethrow_exception(move.failure);
}

TFocusOnFailure::~TFocusOnFailure() {
    if (std::uncaught_exceptions() > failures_) control_->setFocus(Qt::OtherFocusReason);
}

}  // namespace kpv::ui
