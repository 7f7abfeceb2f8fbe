#include "workspace/ui/image_file_dialogs.h"

#include "imaging/image_io.h"
#include "workspace/file_types.h"
#include "workspace/qimage_convert.h"

#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

namespace mw {

namespace {

constexpr int kPreviewSide = 180;
// Larger files are not decoded just to preview them: the dialog must stay responsive.
constexpr qint64 kMaxPreviewFileBytes = 64 * 1024 * 1024;

QLabel* addPreviewPane(QFileDialog* dialog)
{
    auto* label = new QLabel(dialog);
    label->setObjectName(QStringLiteral("PreviewPane"));
    label->setFixedSize(kPreviewSide, kPreviewSide);
    label->setAlignment(Qt::AlignCenter);
    label->setFrameShape(QFrame::StyledPanel);
    // Qt's own dialog lays itself out in a grid; the pane goes in a new column on the right.
    if (auto* grid = qobject_cast<QGridLayout*>(dialog->layout()))
        grid->addWidget(label, 1, grid->columnCount(), grid->rowCount() - 1, 1, Qt::AlignTop);
    return label;
}

void setPreviewPixmap(QLabel* label, const QImage& image)
{
    if (image.isNull()) {
        label->clear();
        return;
    }
    label->setPixmap(QPixmap::fromImage(
        image.scaled(QSize(kPreviewSide - 8, kPreviewSide - 8), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

// Opens the dialog in the file's folder (when it exists) with its name filled in.
void proposeFileNameIn(QFileDialog* dialog, const QString& fileName)
{
    if (fileName.isEmpty())
        return;
    const QFileInfo info(fileName);
    if (info.dir().exists())
        dialog->setDirectory(info.dir());
    dialog->selectFile(info.fileName());
}

QFileDialog::Options commonOptions()
{
    // Our own dialog everywhere: the type descriptions are shown exactly and the preview pane
    // can be added.
    return QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails;
}

} // namespace

OpenImageDialog::OpenImageDialog(QWidget* parent) : QFileDialog(parent)
{
    setObjectName(QStringLiteral("OpenImageDlg"));
    setOptions(commonOptions());
    setAcceptMode(AcceptOpen);
    // The named file need not exist: a name typed in is handed to the load, which reports it.
    setFileMode(AnyFile);
    setNameFilters(mw::nameFilters(openFileTypes()));
    selectNameFilter(nameFilter(openFileTypes().front()));
    m_preview = addPreviewPane(this);
    connect(this, &QFileDialog::currentChanged, this, &OpenImageDialog::showPreview);
}

void OpenImageDialog::proposeFileName(const QString& fileName)
{
    proposeFileNameIn(this, fileName);
}

QString OpenImageDialog::chosenPath() const
{
    const QStringList files = selectedFiles();
    return files.isEmpty() ? QString() : files.front();
}

void OpenImageDialog::showPreview(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > kMaxPreviewFileBytes) {
        setPreviewPixmap(m_preview, {});
        return;
    }
    Image image;
    try {
        if (!readImage(QFile::encodeName(path).toStdString(), image).isOk())
            image.clear();
    } catch (const Error&) {
        image.clear();
    }
    setPreviewPixmap(m_preview, image.isEmpty() ? QImage() : wrapAsQImage(image));
}

SaveImageDialog::SaveImageDialog(QWidget* parent) : QFileDialog(parent)
{
    setObjectName(QStringLiteral("SaveDlg"));
    setOptions(commonOptions());
    setAcceptMode(AcceptSave);
    setFileMode(AnyFile);
    setWindowTitle(saveDialogTitle());
    setNameFilters(mw::nameFilters(saveFileTypes()));
    selectNameFilter(nameFilter(saveFileTypes().front()));
    setDefaultSuffix(defaultSaveExtension());
    m_preview = addPreviewPane(this);
    connect(this, &QFileDialog::filterSelected, this, &SaveImageDialog::onTypeSelected);
}

void SaveImageDialog::setPreviewImage(const Image& image)
{
    setPreviewPixmap(m_preview, image.isEmpty() ? QImage() : wrapAsQImage(image));
}

void SaveImageDialog::proposeFileName(const QString& fileName)
{
    proposeFileNameIn(this, fileName);
}

int SaveImageDialog::selectedTypeIndex() const
{
    return std::max(0, fileTypeIndex(saveFileTypes(), selectedNameFilter()));
}

QString SaveImageDialog::typedName() const
{
    if (const auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        return edit->text();
    return {};
}

void SaveImageDialog::onTypeSelected(const QString& filter)
{
    const int index = fileTypeIndex(saveFileTypes(), filter);
    if (index < 0)
        return;
    // A name typed without extension gets this type's when the dialog is accepted.
    setDefaultSuffix(saveTypeExtension(index));
    // The name box is edited directly: selectFile() leaves it alone while it has the focus.
    if (auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit")); edit && !edit->text().isEmpty())
        edit->setText(replaceExtensionForType(edit->text(), index));
}

QString SaveImageDialog::chosenPath() const
{
    const QStringList files = selectedFiles();
    return files.isEmpty() ? QString() : completeSavePath(files.front(), selectedTypeIndex());
}

} // namespace mw
