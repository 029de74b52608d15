#include "DialogTestTools.h"

#include <QAbstractButton>
#include <QTest>

namespace DialogTestTools {

QStringList tickedBoxes(QWidget *container)
{
    QStringList names;
    const QList<QCheckBox *> boxes = container->findChildren<QCheckBox *>();
    for (QCheckBox *box : boxes) {
        if (box->isChecked())
            names << box->objectName();
    }
    names.sort();
    return names;
}

void click(QWidget *dialog, const QString &name)
{
    QAbstractButton *button = dialog->findChild<QAbstractButton *>(name);
    if (!button) {
        QTest::qFail(qPrintable(QStringLiteral("no button %1").arg(name)), __FILE__, __LINE__);
        return;
    }
    // A check box takes a click only inside its indicator or text.
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, button->height() / 2));
}

} // namespace DialogTestTools
