#include "workspace/selection_status.h"

namespace mw {

QString sizeText(int width, int height)
{
    return QString::number(width) + QLatin1Char('x') + QString::number(height);
}

QString selectionSizeText(const SelectionRect& selection)
{
    if (selection.isEmpty())
        return {};
    return sizeText(selection.lastColumn - selection.firstColumn,
                    selection.lastRow - selection.firstRow);
}

} // namespace mw
