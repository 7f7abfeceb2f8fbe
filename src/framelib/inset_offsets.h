#pragma once
// Inset offsets of a frame: how far in from the frame's outer border the photo starts, in
// pixels at 100 %. Kept in the group folder's "settings.ini", either in a section named after
// the frame or in the group default section "transparent offsets":
//   1. offsetLeft of section <frame name> read with default -1;
//   2. -1 means "not the frame's own": both keys come from "transparent offsets" (default 0);
//   3. otherwise both keys come from the frame's section (default 0 each).
// The frame builder and the inset dialog share this rule.
#include <QString>

namespace mw {

inline constexpr const char* kGroupOffsetsSection = "transparent offsets";
inline constexpr const char* kNoFrameSection = "noframe";

struct InsetOffsets {
    int left = 0;
    int top = 0;
    friend bool operator==(const InsetOffsets&, const InsetOffsets&) = default;
};

class IniFile;

// The group folder's settings file (found without regard to case), or groupFolder +
// "settings.ini" when there is none yet. groupFolder ends with "/".
QString insetSettingsPath(const QString& groupFolder);

// The section the rule selects for frameName in this document.
QString insetSectionFor(const IniFile& ini, const QString& frameName);
InsetOffsets readInsetOffsets(const IniFile& ini, const QString& frameName);

// Offsets of frameName from the group folder's settings file; {0, 0} when there is no file.
InsetOffsets readInsetOffsets(const QString& groupFolder, const QString& frameName);

// Writes offsetLeft then offsetTop into the section the rule selects on the file as it is now
// (creating file, section and keys as needed), keeping everything else. Throws mw::FileError
// "Unable to write to <path>" when the file cannot be written.
void writeInsetOffsets(const QString& groupFolder, const QString& frameName, InsetOffsets offsets);

} // namespace mw
