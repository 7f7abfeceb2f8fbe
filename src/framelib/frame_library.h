#pragma once
// The frame library beside the executable:
//   <program folder>frames/<dpi set>/<group>/<name>_thumb.jpg   thumbnail of a frame
//                                          /<name>_01.png .. _09.png (no _05)  its pieces
//                                          /settings.ini      optional inset offsets
// Names inside the library are matched without regard to case, so a library copied from a
// case-insensitive file system works unchanged. Paths use "/"; folders end with "/".
#include <QString>
#include <QStringList>
#include <array>

namespace mw {

inline constexpr std::array<const char*, 2> kDpiFolders = {"150dpi", "300dpi"};
// Piece numbers laid out like a telephone keypad around the photo (no 5).
inline constexpr std::array<int, 8> kPieceNumbers = {1, 2, 3, 4, 6, 7, 8, 9};

// programFolder ends with "/"; the result does too.
QString libraryRoot(const QString& programFolder);

// Walks the path component by component: an exact match first, otherwise the first entry that
// matches without regard to case. Returns the existing path, or `path` unchanged when some
// component does not exist in any case. A trailing "/" is kept.
QString resolveCaseInsensitive(const QString& path);

// Bare names of the groups (every sub-folder, hidden ones included) of
// root + dpiFolder + "/", sorted case-insensitively. Empty when the folder does not exist.
QStringList listGroups(const QString& root, const QString& dpiFolder);
// True when root + dpiFolder exists as a folder (in any case).
bool dpiFolderExists(const QString& root, const QString& dpiFolder);

// Full paths of the entries of groupFolder whose names match "*_thumb.jpg" without regard to
// case (files and folders, hidden ones included; sub-folders not searched), sorted
// case-insensitively.
QStringList listFrames(const QString& groupFolder);

// Text of the file name before its first "_". A name without "_" (only possible for a frame
// file named by hand) gives its base name without extension.
QString frameName(const QString& thumbOrFramePath);
// The thumbnail path with its extension replaced by ".png".
QString frameFilePath(const QString& thumbPath);
// Folder part of a path, with its trailing "/" (empty when the path has none).
QString folderOf(const QString& path);
// Piece k (1..9 except 5) of the frame file: folder + frame name + "_0k" + extension of the
// frame file, resolved without regard to case when that exact file does not exist.
QString piecePath(const QString& framePath, int k);

} // namespace mw
