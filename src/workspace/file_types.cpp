#include "workspace/file_types.h"


namespace mw {

namespace {

FileType type(const char* description, const char* patterns)
{
    return {QString::fromLatin1(description), QString::fromLatin1(patterns).split(QLatin1Char(';'))};
}

} // namespace

const std::vector<FileType>& openFileTypes()
{
    static const std::vector<FileType> types{
        type("Common Graphic Files (*.tif;*.gif;*.jpg;*.pcx;*.bmp;*.ico;*.cur;*.png;*.wmf;*.emf;*.tga;"
             "*.pxm;*.wbmp;*.jp2;*.j2k;*.dcx;*.crw;*.psd;*.avi;*.mpg;*.wmv)",
             "*.tif;*.gif;*.jpg;*.pcx;*.bmp;*.ico;*.cur;*.png;*.wmf;*.emf;*.tga;*.pxm;*.wbmp;*.jp2;"
             "*.j2k;*.dcx;*.crw;*.psd;*.avi;*.mpg;*.wmv"),
        type("All Files (*.*)", "*.*"),
        type("TIFF Bitmap (*.tif;*.tiff;*.fax;*.g3n;*.g3f;*.xif)", "*.tif;*.tiff;*.fax;*.g3n;*.g3f;*.xif"),
        type("CompuServe Bitmap (*.gif)", "*.gif"),
        type("JPEG Bitmap (*.jpg;*.jpeg;*.jpe;*.jif)", "*.jpg;*.jpeg;*.jpe;*.jif"),
        type("PaintBrush (*.pcx)", "*.pcx"),
        type("Windows Bitmap (*.bmp;*.dib;*.rle)", "*.bmp;*.dib;*.rle"),
        type("Windows Icon (*.ico)", "*.ico"),
        type("Windows Cursor (*.cur)", "*.cur"),
        type("Portable Network Graphics (*.png)", "*.png"),
        type("Windows Metafile (*.wmf)", "*.wmf"),
        type("Enhanced Windows Metafile (*.emf)", "*.emf"),
        type("Targa Bitmap (*.tga;*.targa;*.vda;*.icb;*.vst;*.pix)", "*.tga;*.targa;*.vda;*.icb;*.vst;*.pix"),
        type("Portable Pixmap, GrayMap, BitMap (*.pxm;*.ppm;*.pgm;*.pbm)", "*.pxm;*.ppm;*.pgm;*.pbm"),
        type("Wireless Bitmap (*.wbmp)", "*.wbmp"),
        type("JPEG2000 (*.jp2)", "*.jp2"),
        type("JPEG2000 Code Stream (*.j2k;*.jpc;*.j2c)", "*.j2k;*.jpc;*.j2c"),
        type("Multipage PCX (*.dcx)", "*.dcx"),
        type("Camera RAW (*.crw;*.cr2;*.nef;*.raw;*.pef;*.raf;*.x3f;*.bay;*.orf;*.srf;*.mrw;*.dcr;*.sr2)",
             "*.crw;*.cr2;*.nef;*.raw;*.pef;*.raf;*.x3f;*.bay;*.orf;*.srf;*.mrw;*.dcr;*.sr2"),
        type("Photoshop PSD (*.psd)", "*.psd"),
        type("Video for Windows (*.avi)", "*.avi"),
        type("Mpeg (*.mpeg;*.mpg)", "*.mpeg;*.mpg"),
        type("Windows Media Video (*.wmv)", "*.wmv"),
    };
    return types;
}

const std::vector<FileType>& saveFileTypes()
{
    static const std::vector<FileType> types{
        type("JPEG Bitmap (JPG)", "*.jpg"),
        type("CompuServe Bitmap (GIF)", "*.gif"),
        type("TIFF Bitmap (TIF)", "*.tif"),
        type("PaintBrush (PCX)", "*.pcx"),
        type("Portable Network Graphics (PNG)", "*.png"),
        type("Windows Bitmap (BMP)", "*.bmp"),
        type("OS/2 Bitmap (BMP)", "*.bmp"),
        type("Targa Bitmap (TGA)", "*.tga"),
        type("Portable PixMap (PXM)", "*.pxm"),
        type("Portable PixMap (PPM)", "*.ppm"),
        type("Portable GreyMap (PGM)", "*.pgm"),
        type("Portable Bitmap (PBM)", "*.pbm"),
        type("JPEG2000 (JP2)", "*.jp2"),
        type("JPEG2000 Code Stream (J2K)", "*.j2k"),
        type("Multipage PCX (DCX)", "*.dcx"),
    };
    return types;
}

QString nameFilter(const FileType& type)
{
    QStringList patterns;
    for (const QString& p : type.patterns) {
        // "*.*" would hide files without a dot on this platform; "*" means what the user asked.
        patterns << (p == QLatin1String("*.*") ? QStringLiteral("*") : p);
        // Names are matched without regard to case: offer the upper-case spelling as well,
        // since Qt's file dialog compares patterns case-sensitively on Linux.
        const QString upper = p.toUpper();
        if (upper != p && p != QLatin1String("*.*"))
            patterns << upper;
    }
    return type.description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

QStringList nameFilters(const std::vector<FileType>& types)
{
    QStringList filters;
    for (const FileType& t : types)
        filters << nameFilter(t);
    return filters;
}

int fileTypeIndex(const std::vector<FileType>& types, const QString& filter)
{
    for (size_t i = 0; i < types.size(); ++i) {
        if (nameFilter(types[i]) == filter || types[i].description == filter)
            return int(i);
    }
    return -1;
}

QString saveDialogTitle()
{
    return QStringLiteral("Save Picture Frame Result");
}

QString defaultSaveExtension()
{
    return QStringLiteral("jpg");
}

QString saveTypeExtension(int saveTypeIndex)
{
    const auto& types = saveFileTypes();
    if (saveTypeIndex < 0 || saveTypeIndex >= int(types.size()))
        return defaultSaveExtension();
    return types[size_t(saveTypeIndex)].patterns.front().mid(2);  // "*.jpg" -> "jpg"
}

namespace {

// Position of the dot that starts the extension of the last path component, or -1.
qsizetype extensionDot(const QString& fileName)
{
    const qsizetype slash = fileName.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    // A leading dot names a hidden file, not an extension; a trailing dot has no extension.
    if (dot <= slash + 1 || dot == fileName.size() - 1)
        return -1;
    return dot;
}

} // namespace

QString replaceExtensionForType(const QString& fileName, int saveTypeIndex)
{
    if (fileName.isEmpty())
        return fileName;
    QString base = fileName;
    const qsizetype dot = extensionDot(fileName);
    if (dot >= 0)
        base.truncate(dot);
    else if (base.endsWith(QLatin1Char('.')))
        base.chop(1);
    return base + QLatin1Char('.') + saveTypeExtension(saveTypeIndex);
}

QString completeSavePath(const QString& fileName, int saveTypeIndex)
{
    if (fileName.isEmpty() || extensionDot(fileName) >= 0)
        return fileName;
    QString base = fileName;
    if (base.endsWith(QLatin1Char('.')))
        base.chop(1);
    return base + QLatin1Char('.') + saveTypeExtension(saveTypeIndex);
}

} // namespace mw
