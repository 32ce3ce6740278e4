#pragma once

#include "support/Typing.h"

#include <QAbstractButton>
#include <QAction>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>

// Window tests reach a form's controls as the operator does: by finding the control by its
// object name and acting on it (a click, a key press, an action triggered), so the wiring
// between the control and its handler is part of what is tested.
namespace qal::test {

// Raised when a control a test looks for is not there (or is there more than once); the test
// fails with the object's name instead of crashing on a null pointer.
struct MissingControl : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

namespace controls_detail {

inline const QObject *asObject(const QObject *o) { return o; }
inline const QObject *asObject(const QObject &o) { return &o; }
template <class U>
const QObject *asObject(const std::unique_ptr<U> &p)
{
    return p.get();
}
template <class U>
const QObject *asObject(const QPointer<U> &p)
{
    return p.data();
}

// Whether o belongs to root itself rather than to a window root owns (a sub-form may use the
// same control names as its owner).
inline bool ownedDirectly(const QObject *o, const QObject *root)
{
    for (const QObject *p = o->parent(); p && p != root; p = p->parent())
        if (p->isWidgetType() && static_cast<const QWidget *>(p)->isWindow())
            return false;
    return true;
}

inline std::string describe(const QObject *o)
{
    const QString name = o->objectName();
    return std::string(o->metaObject()->className()) + (name.isEmpty() ? "" : " \"" + name.toStdString() + "\"");
}

[[noreturn]] inline void fail(const std::string &message)
{
    ADD_FAILURE() << message;
    throw MissingControl(message);
}

} // namespace controls_detail

// The control called name of type T in parent's window (a pointer, a reference, a unique_ptr
// or a QPointer to it). Fails the test naming what is missing when there is no such control,
// or when more than one answers to the name.
template <class T, class Parent>
T *child(const Parent &parent, const char *name)
{
    using namespace controls_detail;
    const QObject *root = asObject(parent);
    if (!root)
        fail(std::string("looking for \"") + name + "\" in a window that is gone");
    const QList<T *> all = root->template findChildren<T *>(QString::fromLatin1(name));
    QList<T *> own;
    for (T *c : all)
        if (ownedDirectly(c, root))
            own << c;
    const QList<T *> &found = own.isEmpty() ? all : own;
    if (found.size() == 1)
        return found.front();
    const std::string what = std::string(std::remove_pointer_t<T>::staticMetaObject.className()) + " \"" + name + "\"";
    if (found.isEmpty())
        fail(describe(root) + " has no " + what);
    fail(describe(root) + " has " + std::to_string(found.size()) + " controls " + what);
}

// Clicks a button with the mouse, as the operator does. A button the operator could not
// click (disabled, or hidden in its window) is not clicked, and the test fails.
inline void click(QAbstractButton *button)
{
    if (!button->isEnabled() || !button->isVisibleTo(button->window())) {
        ADD_FAILURE() << controls_detail::describe(button) << " cannot be clicked: "
                      << (button->isVisibleTo(button->window()) ? "it is disabled" : "it is hidden");
        return;
    }
    QTest::mouseClick(button, Qt::LeftButton);
}

// Triggers an action (a menu item, a tool-bar entry), as choosing it does. A disabled or
// hidden action is not triggered, and the test fails.
inline void trigger(QAction *action)
{
    if (!action->isEnabled() || !action->isVisible()) {
        ADD_FAILURE() << controls_detail::describe(action) << " cannot be chosen: "
                      << (action->isVisible() ? "it is disabled" : "it is hidden");
        return;
    }
    action->trigger();
}

} // namespace qal::test
