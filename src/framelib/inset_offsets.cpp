#include "framelib/inset_offsets.h"

#include "framelib/frame_library.h"
#include "settings/ini_file.h"

#include <QFileInfo>

namespace mw {

namespace {
const QString kOffsetLeft = QStringLiteral("offsetLeft");
const QString kOffsetTop = QStringLiteral("offsetTop");
} // namespace

QString insetSettingsPath(const QString& groupFolder)
{
    QString folder = groupFolder;
    if (!folder.isEmpty() && !folder.endsWith(u'/'))
        folder += u'/';
    return resolveCaseInsensitive(folder + QStringLiteral("settings.ini"));
}

QString insetSectionFor(const IniFile& ini, const QString& frameName)
{
    // -1 (also what a missing section, key or unreadable value gives) hands the frame to the
    // group default.
    if (ini.readInteger(frameName, kOffsetLeft, -1) == -1)
        return QString::fromLatin1(kGroupOffsetsSection);
    return frameName;
}

InsetOffsets readInsetOffsets(const IniFile& ini, const QString& frameName)
{
    const QString section = insetSectionFor(ini, frameName);
    return InsetOffsets{ini.readInteger(section, kOffsetLeft, 0), ini.readInteger(section, kOffsetTop, 0)};
}

InsetOffsets readInsetOffsets(const QString& groupFolder, const QString& frameName)
{
    const QString path = insetSettingsPath(groupFolder);
    if (!QFileInfo(path).isFile())
        return {};
    IniFile ini;
    ini.load(path);
    return readInsetOffsets(ini, frameName);
}

void writeInsetOffsets(const QString& groupFolder, const QString& frameName, InsetOffsets offsets)
{
    const QString path = insetSettingsPath(groupFolder);
    IniFile ini;
    ini.load(path);  // a missing file reads as having no sections
    const QString section = insetSectionFor(ini, frameName);
    ini.writeInteger(section, kOffsetLeft, offsets.left);
    ini.writeInteger(section, kOffsetTop, offsets.top);
    ini.save(path);
}

} // namespace mw
