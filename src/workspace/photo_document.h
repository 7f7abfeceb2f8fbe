#pragma once
// The photo workspace: the unframed photo, what the main view shows, the single undo step of
// the drop shadow and whether a framed result is shown. The main window's handlers call this
// and copy shownImage() into the view afterwards; nothing here touches a widget.
#include "imaging/image.h"
#include "imaging/selection.h"

#include <QString>

#include <optional>

namespace mw {

struct LoadOutcome {
    enum class Kind {
        Loaded,       // the photo replaced the previous one
        NotFound,     // no file at the path: warn with `message`, nothing changed
        Undecodable,  // the file exists but is no readable image: tell `message`, nothing changed
    };
    Kind kind = Kind::Loaded;
    QString message;  // empty when loaded
    bool loaded() const { return kind == Kind::Loaded; }
};

// The Edit menu's states and the main view's mouse behaviour, derived from the workspace.
struct EditMenuState {
    bool pasteEnabled = false;    // also the Paste toolbar button
    bool undoEnabled = false;     // the Undo item itself stays hidden; its shortcut acts
    bool cropEnabled = false;
    bool copyEnabled = true;      // always
    bool selectionAllowed = true; // main view: rectangle selection (true) or no mouse action
};

class PhotoDocument {
public:
    PhotoDocument() = default;

    // Reads the photo (upright per its EXIF orientation). On success the photo and the shown
    // image are replaced, the framed state and the undo step are cleared.
    // Throws mw::FileError when the file exists but cannot be opened (nothing changes then).
    LoadOutcome loadPhoto(const QString& path);

    // Reloads `lastOpenedPath` when a file exists there; nullopt (and nothing happens) when the
    // name is empty or names no file.
    std::optional<LoadOutcome> revert(const QString& lastOpenedPath);

    // Takes a picture from the clipboard. An empty image (the clipboard could not be read)
    // keeps the current photo but still shows it unframed again.
    void pastePhoto(Image picture);

    // The question Crop asks before it acts: two lines joined by CR LF.
    static QString cropConfirmationText();

    // Makes the selection (in shown-image pixels, clipped to it) the new photo: the bounding
    // box's size, unselected pixels in `background`. The shown image becomes the photo without
    // alpha. The framed state and the undo step are left alone. Returns false (no change) for
    // an empty selection or one outside the image.
    bool crop(const SelectionRect& selection, Color background);

    // After framing: shows the result and sets the framed state. `beforeShadow` is the picture
    // before the drop shadow when one was drawn; it becomes the undo step. A framing without a
    // shadow clears the step, so Undo never brings back another frame's picture.
    void setFramedResult(Image result, std::optional<Image> beforeShadow);

    // Puts the picture before the shadow back into the shown image. The step is kept, so a
    // second Undo shows the same picture again. Returns false when there is no step.
    bool undo();
    bool canUndo() const { return m_undoStep.has_value(); }

    EditMenuState editMenuState(bool clipboardOffersImage, bool viewHasSelection) const;

    const Image& originalPhoto() const { return m_original; }
    const Image& shownImage() const { return m_shown; }
    bool frameApplied() const { return m_frameApplied; }

    // Releases the photo (main window close).
    void releasePhoto();

private:
    Image m_original;
    Image m_shown;
    std::optional<Image> m_undoStep;
    bool m_frameApplied = false;
};

} // namespace mw
