#include "workspace/photo_document.h"

#include "imaging/image_io.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace mw {

LoadOutcome PhotoDocument::loadPhoto(const QString& path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists() || info.isDir())
        return {LoadOutcome::Kind::NotFound, QStringLiteral("Cannot find file: ") + path};

    // Read into a fresh image so a failure leaves the current photo and view as they are.
    Image photo;
    const Status status = readImage(QFile::encodeName(path).toStdString(), photo);  // may throw FileError
    if (!status || photo.isEmpty()) {
        const QString reason = status ? QStringLiteral("The file holds no picture.")
                                      : QString::fromStdString(status.reason());
        return {LoadOutcome::Kind::Undecodable, QStringLiteral("Cannot read image: ") + path + QLatin1Char('\n') + reason};
    }

    m_original = std::move(photo);
    m_shown = m_original;
    m_frameApplied = false;
    // The step belongs to the framed picture of the previous photo; keeping it would let Undo
    // put that picture back over the new photo.
    m_undoStep.reset();
    return {};
}

std::optional<LoadOutcome> PhotoDocument::revert(const QString& lastOpenedPath)
{
    if (lastOpenedPath.isEmpty() || !QFileInfo(lastOpenedPath).isFile())
        return std::nullopt;
    return loadPhoto(lastOpenedPath);
}

void PhotoDocument::pastePhoto(Image picture)
{
    if (!picture.isEmpty())
        m_original = std::move(picture);
    m_shown = m_original;
    m_frameApplied = false;
    m_undoStep.reset();
}

QString PhotoDocument::cropConfirmationText()
{
    return QStringLiteral("Would you like to use the selected area as your picture now?\r\n"
                          "NOTE: Your original image will remain untouched.");
}

bool PhotoDocument::crop(const SelectionRect& selection, Color background)
{
    if (selection.isEmpty() || m_shown.isEmpty())
        return false;
    SelectionRect clipped = selection;
    clipped.firstColumn = std::max(clipped.firstColumn, 0);
    clipped.firstRow = std::max(clipped.firstRow, 0);
    clipped.lastColumn = std::min(clipped.lastColumn, m_shown.width() - 1);
    clipped.lastRow = std::min(clipped.lastRow, m_shown.height() - 1);
    if (clipped.isEmpty())
        return false;

    Image cropped = copySelection(m_shown, clipped, background);
    cropped.setBitsPerPixel(m_shown.bitsPerPixel());
    m_shown = cropped.copyWithoutAlpha();
    m_original = std::move(cropped);
    return true;
}

void PhotoDocument::setFramedResult(Image result, std::optional<Image> beforeShadow)
{
    m_shown = std::move(result);
    m_undoStep = std::move(beforeShadow);
    m_frameApplied = true;
}

bool PhotoDocument::undo()
{
    if (!m_undoStep)
        return false;
    m_shown = *m_undoStep;
    return true;
}

EditMenuState PhotoDocument::editMenuState(bool clipboardOffersImage, bool viewHasSelection) const
{
    EditMenuState state;
    state.pasteEnabled = clipboardOffersImage;
    state.undoEnabled = canUndo();
    state.cropEnabled = viewHasSelection;
    state.copyEnabled = true;
    state.selectionAllowed = !m_frameApplied;
    return state;
}

void PhotoDocument::releasePhoto()
{
    m_original.clear();
}

} // namespace mw
