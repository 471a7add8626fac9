#pragma once

#include <QAbstractItemView>
#include <QApplication>
#include <QStringList>
#include <QTabBar>
#include <QtTest>

// The controls the keyboard visits from `start` (which has the focus) as the operator presses Tab, or Shift+Tab
// `backwards`, each by its object name ("tabs" for a page control's tab bar), `start` first, until the keyboard is
// back at `start` or `limit` keys were pressed. A grid takes Tab for its cells: the operator leaves it with Ctrl+Tab
// (Ctrl+Shift+Tab), and so does the walk.
inline QStringList focusWalk(QWidget* start, bool backwards = false, int limit = 30) {
    const auto name = [](const QWidget* w) {
        if (!w) return QStringLiteral("(none)");
        return qobject_cast<const QTabBar*>(w) ? QStringLiteral("tabs") : w->objectName();
    };
    QStringList visited{name(start)};
    for (int i = 0; i < limit; ++i) {
        QWidget* here = QApplication::focusWidget();
        if (!here) break;
        const bool grid =
            qobject_cast<QAbstractItemView*>(here) && static_cast<QAbstractItemView*>(here)->tabKeyNavigation();
        Qt::KeyboardModifiers modifiers = grid ? Qt::ControlModifier : Qt::NoModifier;
        if (backwards) modifiers |= Qt::ShiftModifier;
        QTest::keyClick(here, backwards ? Qt::Key_Backtab : Qt::Key_Tab, modifiers);
        if (QApplication::focusWidget() == start) break;
        visited << name(QApplication::focusWidget());
    }
    return visited;
}
