#include "workspace/ui/image_file_dialogs.h"

#include "workspace/file_types.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

namespace mw {

class ImageFileDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void saveDialogSetup();
    void typeChangeReplacesExtension_data();
    void typeChangeReplacesExtension();
    void chosenPathCompletesMissingExtension_data();
    void chosenPathCompletesMissingExtension();
    void openDialogSetup();
};

namespace {

// The user picks type `index` from the dialog's type list.
void pickType(QFileDialog& dialog, int index)
{
    auto* combo = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    QVERIFY(combo);
    combo->setCurrentIndex(index);
    // What a real pick sends, in Qt's order.
    emit combo->activated(index);
    emit combo->textActivated(combo->itemText(index));
}

void typeName(QFileDialog& dialog, const QString& name)
{
    auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(edit);
    edit->setText(name);
}

} // namespace

void ImageFileDialogsTest::saveDialogSetup()
{
    SaveImageDialog dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Save Picture Frame Result"));
    QCOMPARE(dialog.acceptMode(), QFileDialog::AcceptSave);
    QCOMPARE(dialog.defaultSuffix(), QStringLiteral("jpg"));
    QVERIFY(!dialog.testOption(QFileDialog::DontConfirmOverwrite));
    QCOMPARE(dialog.nameFilters().size(), 15);
    QCOMPARE(dialog.selectedTypeIndex(), 0);
    // The user sees the descriptions exactly as listed.
    auto* combo = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    QVERIFY(combo);
    QCOMPARE(combo->itemText(0), QStringLiteral("JPEG Bitmap (JPG)"));
    QCOMPARE(combo->itemText(6), QStringLiteral("OS/2 Bitmap (BMP)"));
}

void ImageFileDialogsTest::typeChangeReplacesExtension_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("shown");
    QTest::newRow("jpg to png") << "result.jpg" << 4 << "result.png";
    QTest::newRow("no extension") << "result" << 2 << "result.tif";
    QTest::newRow("upper case") << "Result.JPG" << 11 << "Result.pbm";
}

void ImageFileDialogsTest::typeChangeReplacesExtension()
{
    QFETCH(QString, typed);
    QFETCH(int, type);
    QFETCH(QString, shown);
    QTemporaryDir dir;
    SaveImageDialog dialog;
    dialog.setDirectory(dir.path());
    dialog.show();
    typeName(dialog, typed);
    pickType(dialog, type);
    QCOMPARE(dialog.typedName(), shown);
    QCOMPARE(dialog.selectedTypeIndex(), type);
    QCOMPARE(QFileInfo(dialog.chosenPath()).fileName(), shown);
}

void ImageFileDialogsTest::chosenPathCompletesMissingExtension_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("written");
    QTest::newRow("default type, no extension") << 0 << "photo" << "photo.jpg";
    QTest::newRow("png typed while jpeg selected") << 0 << "photo.png" << "photo.png";
}

void ImageFileDialogsTest::chosenPathCompletesMissingExtension()
{
    QFETCH(int, type);
    QFETCH(QString, typed);
    QFETCH(QString, written);
    QTemporaryDir dir;
    SaveImageDialog dialog;
    dialog.setDirectory(dir.path());
    dialog.show();
    if (type != 0)
        pickType(dialog, type);
    typeName(dialog, typed);
    QCOMPARE(dialog.chosenPath(), QDir(dir.path()).filePath(written));
}

void ImageFileDialogsTest::openDialogSetup()
{
    OpenImageDialog dialog;
    QCOMPARE(dialog.acceptMode(), QFileDialog::AcceptOpen);
    QCOMPARE(dialog.fileMode(), QFileDialog::AnyFile);  // a missing name reaches the load
    QCOMPARE(dialog.nameFilters().size(), 23);
    auto* combo = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    QVERIFY(combo);
    QCOMPARE(combo->currentIndex(), 0);
    QCOMPARE(combo->itemText(4), QStringLiteral("JPEG Bitmap (*.jpg;*.jpeg;*.jpe;*.jif)"));
    QVERIFY(dialog.findChild<QWidget*>(QStringLiteral("PreviewPane")));
}

} // namespace mw

QTEST_MAIN(mw::ImageFileDialogsTest)
#include "image_file_dialogs_test.moc"
