#include "StatusCell.h"

#include <StatusCellText.h>

StatusCell::StatusCell(const QString &text, const QColor &colour)
    : m_text(text)
    , m_colour(colour)
{
}

StatusCell StatusCell::of(int deviceClass, quint32 status, quint32 control)
{
    const StatusCellText cell = StatusCellText::of(deviceClass, status, control);
    switch (cell.tone()) {
    case StatusCellText::Good:
        return {cell.text(), Qt::green};
    case StatusCellText::Warning:
        return {cell.text(), Qt::yellow};
    case StatusCellText::Fault:
        break;
    }
    return {cell.text(), Qt::red};
}
