#include "framework/ui/control.h"

#include <QApplication>
#include <QHash>
#include <QPointer>
#include <QWidget>

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
        QPointer<QWidget>& last = lastFocus_[form];
        // The control that has the focus as far as the screen's events go: it changes only once its exits
        // have run, so a handler that puts the focus back on its own control raises nothing more.
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
            if (auto* events = dynamic_cast<TControlEvents*>(w.data()); events && events->OnExit) {
                const bool completed = Dispatch([&] { events->OnExit(w.data()); });
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

}  // namespace kpv::ui
