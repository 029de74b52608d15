#pragma once

// Small helpers for reading the dialogs' forms by object name.

#include <QCheckBox>
#include <QStringList>
#include <QWidget>

namespace DialogTestTools {

/// The named child of `dialog`, or null (the test then fails on it).
template<class T> T *child(QWidget *dialog, const QString &name)
{
    return dialog->findChild<T *>(name);
}

/// Object names of the ticked check boxes inside `container`, sorted.
QStringList tickedBoxes(QWidget *container);

/// Clicks the named push button, check box or radio button with the mouse.
void click(QWidget *dialog, const QString &name);

} // namespace DialogTestTools
