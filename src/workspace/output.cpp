#include "workspace/output.h"

#include "imaging/canvas.h"
#include "imaging/image_io.h"
#include "imaging/status.h"

#include <QFile>

namespace mw {

Image prepareFinalImage(const Image& shown, Color background)
{
    if (shown.isEmpty())
        return {};
    Image out = flattenOnto(shown, background);
    out.setBitsPerPixel(24);
    return out;
}

SaveOutcome saveResult(const QString& path, const Image& image)
{
    const std::string nativePath = QFile::encodeName(path).toStdString();
    const std::string extension = fileExtension(nativePath);
    if (extension.empty())
        return {false, QStringLiteral("Cannot save \"%1\": the name has no extension that names an image format.").arg(path)};
    if (!canWrite(extension))
        return {false, QStringLiteral("Cannot save \"%1\": no image format is known for the extension \".%2\".")
                           .arg(path, QString::fromStdString(extension))};
    if (image.isEmpty())
        return {false, QStringLiteral("Cannot save \"%1\": there is no picture to save.").arg(path)};
    try {
        const Status status = writeImage(nativePath, image);
        if (!status)
            return {false, QStringLiteral("Cannot save \"%1\". %2").arg(path, QString::fromStdString(status.reason()))};
    } catch (const Error& e) {
        // "Cannot create file ..." and friends already carry the path and the reason.
        return {false, QString::fromLocal8Bit(e.what())};
    }
    return {true, {}};
}

} // namespace mw
