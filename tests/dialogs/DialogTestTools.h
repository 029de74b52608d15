#pragma once

// Reading and clicking the dialogs' forms by object name.

#include <QAbstractButton>
#include <QCheckBox>
#include <QStringList>
#include <QTest>

namespace DialogTestTools {

/// The named child of `dialog`, or null (the test then fails on it).
template<class T = QWidget> T *child(QWidget *dialog, const QString &name)
{
    return dialog->findChild<T *>(name);
}

/// Object names of the ticked check boxes inside `container`, sorted.
inline QStringList tickedBoxes(QWidget *container)
{
    QStringList names;
    for (QCheckBox *box : container->findChildren<QCheckBox *>()) {
        if (box->isChecked())
            names << box->objectName();
    }
    names.sort();
    return names;
}

/// Clicks the named button or check box with the mouse, as the operator does.
inline void click(QWidget *dialog, const QString &name)
{
    auto *button = child<QAbstractButton>(dialog, name);
    QVERIFY2(button, qPrintable(name));
    // A check box takes a click only inside its indicator or text.
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, button->height() / 2));
}

} // namespace DialogTestTools
