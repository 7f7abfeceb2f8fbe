#pragma once
// The open and save dialogs for photos and results: Qt's own file dialog with our fixed type
// lists, plus a preview pane beside the file list.
#include "imaging/image.h"

#include <QFileDialog>

class QLabel;

namespace mw {

// Open: the 23 types (first selected), no read-only box, the named file need not exist (a
// missing name is reported by the load itself). Preview of the file under the cursor.
class OpenImageDialog : public QFileDialog {
    Q_OBJECT
public:
    explicit OpenImageDialog(QWidget* parent = nullptr);
    // Proposes `fileName` (folder and name) as the initial choice.
    void proposeFileName(const QString& fileName);
    // The chosen path after exec() returned Accepted.
    QString chosenPath() const;

private:
    void showPreview(const QString& path);
    QLabel* m_preview = nullptr;
};

// Save: title "Save Picture Frame Result", the 15 types (JPEG first), default extension jpg,
// overwrite prompt. Picking another type replaces the extension in the name box; a name typed
// without extension gets the selected type's. The typed extension, not the type, later picks
// the writer. The preview shows the picture about to be saved.
class SaveImageDialog : public QFileDialog {
    Q_OBJECT
public:
    explicit SaveImageDialog(QWidget* parent = nullptr);
    void setPreviewImage(const Image& image);
    void proposeFileName(const QString& fileName);
    int selectedTypeIndex() const;
    // The path to write after exec() returned Accepted (extension completed).
    QString chosenPath() const;
    // What the name box holds now (tests and the type-change rule use it).
    QString typedName() const;

private:
    void onTypeSelected(const QString& filter);
    QLabel* m_preview = nullptr;
};

} // namespace mw
