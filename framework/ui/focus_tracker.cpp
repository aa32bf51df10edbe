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
                const bool completed = Dispatch([&] { events->OnExit(w.data()); });
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
                if (!Dispatch([&] { events->OnEnter(it->data()); })) return;
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

void Place(QWidget* widget, int left, int top, int width, int height) {
    widget->setGeometry(left, top, width, height < 0 ? widget->sizeHint().height() : height);
}

void SetFocus(QWidget* widget) {
    if (widget) widget->setFocus(Qt::OtherFocusReason);
}

TFocusOnFailure::~TFocusOnFailure() {
    if (std::uncaught_exceptions() > failures_) control_->setFocus(Qt::OtherFocusReason);
}

}  // namespace kpv::ui
