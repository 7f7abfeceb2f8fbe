#pragma once
// The file-type lists of the open and save dialogs and the rules that tie names to types.
//
// A type's Qt name filter is its description followed by its patterns in parentheses
// ("JPEG Bitmap (JPG) (*.jpg)"); dialogs use QFileDialog::HideNameFilterDetails so the user
// sees the description alone, exactly as listed.
#include <QString>
#include <QStringList>

#include <vector>

namespace mw {

struct FileType {
    QString description;   // shown to the user
    QStringList patterns;  // "*.jpg", ...
};

// The open dialog's 23 types; the first (all common graphic files) is selected by default.
const std::vector<FileType>& openFileTypes();
// The save dialog's 15 types; the first (JPEG) is selected by default.
const std::vector<FileType>& saveFileTypes();

QString nameFilter(const FileType& type);
QStringList nameFilters(const std::vector<FileType>& types);
// Index of `filter` (as made by nameFilter) in `types`; -1 when it is none of them.
int fileTypeIndex(const std::vector<FileType>& types, const QString& filter);

// The save dialog's title and default extension.
QString saveDialogTitle();            // "Save Picture Frame Result"
QString defaultSaveExtension();       // "jpg" (no dot, as QFileDialog::setDefaultSuffix wants)

// Extension (without dot) that a save type writes: "jpg" for "*.jpg".
QString saveTypeExtension(int saveTypeIndex);

// The name in the save dialog after the user picks another type: the extension of the
// name's last component is replaced by the type's (added when it has none). Empty stays empty.
QString replaceExtensionForType(const QString& fileName, int saveTypeIndex);

// The path written on OK: a name without extension gets the selected type's; a name with an
// extension keeps it, and that extension (not the selected type) chooses the writer.
QString completeSavePath(const QString& fileName, int saveTypeIndex);

} // namespace mw
