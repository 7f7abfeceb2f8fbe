#include "framelib/frame_library.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace mw {

namespace {

bool lessCaseInsensitive(const QString& a, const QString& b)
{
    const int c = a.compare(b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;  // a stable order for names differing only in case
}

constexpr QDir::Filters kAllEntries =
    QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;

QString fileNameOf(const QString& path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
}

} // namespace

QString libraryRoot(const QString& programFolder)
{
    QString folder = programFolder;
    if (!folder.isEmpty() && !folder.endsWith(u'/'))
        folder += u'/';
    return folder + QStringLiteral("frames/");
}

QString resolveCaseInsensitive(const QString& path)
{
    if (path.isEmpty() || QFileInfo::exists(path))
        return path;
    const bool trailingSlash = path.endsWith(u'/');
    const QStringList parts = path.split(u'/');
    QString current;
    int i = 0;
    if (path.startsWith(u'/')) {
        current = QStringLiteral("/");
        i = 1;
    }
    for (; i < parts.size(); ++i) {
        const QString& part = parts[i];
        if (part.isEmpty())
            continue;
        const QString base = current;
        const QString candidate = base + part;
        if (part == u"." || part == u".." || QFileInfo::exists(candidate)) {
            current = candidate;
        } else {
            const QDir dir(base.isEmpty() ? QStringLiteral(".") : base);
            QString found;
            const QStringList entries = dir.entryList(kAllEntries, QDir::Name);
            for (const QString& entry : entries) {
                if (entry.compare(part, Qt::CaseInsensitive) == 0) {
                    found = entry;
                    break;
                }
            }
            if (found.isEmpty())
                return path;
            current = base + found;
        }
        if (i + 1 < parts.size())
            current += u'/';
    }
    if (trailingSlash && !current.endsWith(u'/'))
        current += u'/';
    return current;
}

bool dpiFolderExists(const QString& root, const QString& dpiFolder)
{
    return QFileInfo(resolveCaseInsensitive(root + dpiFolder + u'/')).isDir();
}

QStringList listGroups(const QString& root, const QString& dpiFolder)
{
    const QString folder = resolveCaseInsensitive(root + dpiFolder + u'/');
    QStringList groups;
    if (!QFileInfo(folder).isDir())
        return groups;
    groups = QDir(folder).entryList(QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                    QDir::Unsorted);
    std::sort(groups.begin(), groups.end(), lessCaseInsensitive);
    return groups;
}

QStringList listFrames(const QString& groupFolder)
{
    QString folder = resolveCaseInsensitive(groupFolder);
    QStringList frames;
    if (!QFileInfo(folder).isDir())
        return frames;
    if (!folder.endsWith(u'/'))
        folder += u'/';
    QStringList names = QDir(folder).entryList(kAllEntries, QDir::Unsorted);
    std::sort(names.begin(), names.end(), lessCaseInsensitive);
    for (const QString& name : names)
        if (name.endsWith(QStringLiteral("_thumb.jpg"), Qt::CaseInsensitive))
            frames << folder + name;
    return frames;
}

QString frameName(const QString& thumbOrFramePath)
{
    const QString name = fileNameOf(thumbOrFramePath);
    const qsizetype underscore = name.indexOf(u'_');
    if (underscore >= 0)
        return name.left(underscore);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot > 0 ? name.left(dot) : name;
}

QString folderOf(const QString& path)
{
    return path.left(path.lastIndexOf(u'/') + 1);
}

QString frameFilePath(const QString& thumbPath)
{
    const qsizetype slash = thumbPath.lastIndexOf(u'/');
    const qsizetype dot = thumbPath.lastIndexOf(u'.');
    const QString stem = dot > slash ? thumbPath.left(dot) : thumbPath;
    return stem + QStringLiteral(".png");
}

QString piecePath(const QString& framePath, int k)
{
    const QString name = fileNameOf(framePath);
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString extension = dot >= 0 ? name.mid(dot) : QString();
    const QString path = folderOf(framePath) + frameName(framePath) + QStringLiteral("_0") +
                         QString::number(k) + extension;
    return QFileInfo::exists(path) ? path : resolveCaseInsensitive(path);
}

} // namespace mw
