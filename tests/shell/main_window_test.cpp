#include "shell/about.h"
#include "shell/app.h"
#include "shell/icons.h"
#include "shell/image_view.h"
#include "shell/mw_main.h"

#include "imaging/image_io.h"
#include "imaging/status.h"
#include "workspace/clipboard_formats.h"
#include "workspace/ui/color_combo_box.h"
#include "workspace/ui/options_form.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QEnterEvent>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QSplitter>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>

#include <memory>

namespace mw {

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void startUpAndCloseOrder();
    void composition_data();
    void composition();
    void commandTable_data();
    void commandTable();
    void toolbarButtons_data();
    void toolbarButtons();
    void ctrlZActsWhileUndoIsHidden();
    void editMenuFollowsSelectionAndFraming();
    void selectionSizeAndCrop();
    void cropCancelledChangesNothing();
    void pasteFollowsClipboard();
    void copyThenPasteGivesOutputWithoutAlpha();
    void saveAs_data();
    void saveAs();
    void saveAsCancelledWritesNothing();
    void failedSaveTellsUserAndKeepsFile_data();
    void failedSaveTellsUserAndKeepsFile();
    void missingPhotoWarns();
    void undecodablePhotoKeepsPreviousPhoto();
    void revertReloadsLastOpenedAfterPaste();
    void droppedFileOpensLikeOpen();
    void backgroundColourReachesBothViews();
    void hintGoesToStatusPanelWithOrWithoutPopups();
    void popUpHintsFollowFlyoverHints();
    void aboutBoxIsFreshEveryTime();
    void helpContentsOpensHelpFileOnlyWhenPresent();
    void exitRunsFormCloseOnce();
    void commandErrorShownInMessageBox();
    void iconsAreDrawnAtEveryScale();

private:
    // A photo whose pixels tell their position, so a crop or a swap shows in the pixels.
    Image photo(int w, int h, bool alpha = false, uint8_t seed = 0);
    QString writePhoto(const QString& name, const Image& image);
    TMWMainForm& window() { return *m_window; }
    QAction* action(const char* name) { return m_window->findChild<QAction*>(QString::fromLatin1(name)); }
    QStringList handlersRun() const;

    QTemporaryDir m_dir;
    std::unique_ptr<TMWMainForm> m_window;
    std::unique_ptr<QSignalSpy> m_commands;
    QList<MessageRequest> m_messages;
    QMessageBox::StandardButton m_answer = QMessageBox::Ok;
    QList<QUrl> m_opened;
    QStringList m_openDialogAnswers;
    std::optional<TMWMainForm::SaveChoice> m_saveAnswer;
    int m_saveDialogRuns = 0;
};

Image MainWindowTest::photo(int w, int h, bool alpha, uint8_t seed)
{
    Image img(w, h, alpha);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, Rgba{uint8_t(x + seed), uint8_t(y), uint8_t(seed), uint8_t(alpha ? (x * 7) & 255 : 255)});
    return img;
}

QString MainWindowTest::writePhoto(const QString& name, const Image& image)
{
    const QString path = m_dir.filePath(name);
    const Status st = writeImage(QFile::encodeName(path).toStdString(), image);
    if (!st)
        qWarning("fixture not written: %s", st.reason().c_str());
    return path;
}

QStringList MainWindowTest::handlersRun() const
{
    QStringList names;
    for (const QList<QVariant>& args : *m_commands)
        names << args.value(0).toString();
    return names;
}

void MainWindowTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QApplication::setQuitOnLastWindowClosed(false);
    QVERIFY(m_dir.isValid());
    setMessageHook([this](const MessageRequest& request) {
        m_messages << request;
        return m_answer;
    });
    setUrlOpener([this](const QUrl& url) {
        m_opened << url;
        return true;
    });
}

void MainWindowTest::init()
{
    m_messages.clear();
    m_opened.clear();
    m_openDialogAnswers.clear();
    m_saveAnswer.reset();
    m_saveDialogRuns = 0;
    m_answer = QMessageBox::Ok;
    QGuiApplication::clipboard()->clear();

    m_window = std::make_unique<TMWMainForm>();
    m_window->setOpenDialog([this](QWidget*, const QString&) {
        return m_openDialogAnswers.isEmpty() ? QString() : m_openDialogAnswers.takeFirst();
    });
    m_window->setSaveDialog([this](QWidget*, const QString&, const Image&) {
        ++m_saveDialogRuns;
        return m_saveAnswer;
    });
    m_commands = std::make_unique<QSignalSpy>(m_window.get(), &TMWMainForm::commandStarted);
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void MainWindowTest::cleanup()
{
    m_commands.reset();
    m_window.reset();
}

// ---------------------------------------------------------------------------------------------

void MainWindowTest::startUpAndCloseOrder()
{
    // A window of its own, watched from before it is first shown.
    const QString sample = TMWMainForm::programFolder() + "sample.jpg";
    const bool hadSample = QFileInfo::exists(sample);
    if (!hadSample)
        QVERIFY(QFile::copy(writePhoto("sample-src.jpg", photo(32, 24)), sample));
    const QString argument = writePhoto("argument.png", photo(21, 13, false, 6));

    TMWMainForm fresh;
    fresh.setCommandLine({argument});
    QSignalSpy spy(&fresh, &TMWMainForm::commandStarted);
    QVERIFY(QDir(fresh.settingsFolder()).exists());
    QVERIFY(fresh.settingsFolder().endsWith("/QuillmoorQuillmoor Mountwell/"));
    QVERIFY(!fresh.optionsWindow()->isVisible());

    fresh.show();
    fresh.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&fresh));
    QVERIFY(fresh.optionsWindow()->isVisible());
    // The photo named on the command line replaces the last-opened one loaded at show.
    QCOMPARE(fresh.originalPhoto().width(), 21);
    QCOMPARE(fresh.openFileName(), argument);
    fresh.close();
    if (!hadSample)
        QFile::remove(sample);

    QStringList order;
    for (const QList<QVariant>& args : spy)
        if (args.value(0).toString().startsWith("Form"))
            order << args.value(0).toString();
    order.removeDuplicates();
    QCOMPARE(order, (QStringList{"FormShow", "FormActivate", "FormClose"}));
    QVERIFY(!fresh.optionsWindow()->isVisible());
}

void MainWindowTest::composition_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    QTest::newRow("CoolBar1") << "CoolBar1" << "QToolBar";
    QTest::newRow("ToolBar1") << "ToolBar1" << "QToolBar";
    QTest::newRow("PTSplitter1") << "PTSplitter1" << "QSplitter";
    QTest::newRow("IEV") << "IEV" << "mw::ImageView";
    QTest::newRow("Panel1") << "Panel1" << "QWidget";
    QTest::newRow("FoldersCBx") << "FoldersCBx" << "QComboBox";
    QTest::newRow("UpDown1") << "UpDown1" << "mw::UpDownArrows";
    QTest::newRow("Label1") << "Label1" << "QLabel";
    QTest::newRow("FrameSizeCBx") << "FrameSizeCBx" << "QComboBox";
    QTest::newRow("ImageEnMView1") << "ImageEnMView1" << "QWidget";
    QTest::newRow("FrameThumbs") << "FrameThumbs" << "QListWidget";
    QTest::newRow("FinalIEV") << "FinalIEV" << "mw::ImageView";
    QTest::newRow("StatusBar") << "StatusBar" << "QStatusBar";
    QTest::newRow("MainMenu1") << "MainMenu1" << "QMenuBar";
    QTest::newRow("OptionsForm") << "OptionsForm" << "mw::TOptionsForm";
}

void MainWindowTest::composition()
{
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QObject* control = window().findChild<QObject*>(name);
    QVERIFY2(control, qPrintable(name));
    QVERIFY2(control->inherits(kind.toLatin1()), control->metaObject()->className());

    if (name == "PTSplitter1") {
        auto* splitter = static_cast<QSplitter*>(control);
        QCOMPARE(splitter->widget(0)->minimumWidth(), 200);
        QCOMPARE(splitter->widget(1)->minimumWidth(), 160);
        QCOMPARE(splitter->widget(0)->objectName(), QStringLiteral("PTSplitter1_pane1"));
        QCOMPARE(splitter->widget(1)->objectName(), QStringLiteral("PTSplitter1_pane2"));
        // Dragging the splitter far left stops at the left pane's minimum.
        splitter->setSizes({10, 2000});
        QCOMPARE(splitter->sizes().value(0), 200);
    } else if (name == "FinalIEV") {
        QVERIFY(!static_cast<QWidget*>(control)->isVisible());
        QVERIFY(!static_cast<ImageView*>(control)->isSelectionVisible());
    } else if (name == "FrameSizeCBx") {
        auto* box = static_cast<QComboBox*>(control);
        QStringList items;
        for (int i = 0; i < box->count(); ++i)
            items << box->itemText(i);
        QCOMPARE(items, (QStringList{"100%", "75%", "50%", "25%"}));
        QCOMPARE(box->currentIndex(), 0);
        QCOMPARE(box->statusTip(), QStringLiteral("Resize frame objects down by this much"));
    } else if (name == "Label1") {
        QCOMPARE(static_cast<QLabel*>(control)->text(), QStringLiteral("Scale By:"));
    } else if (name == "UpDown1") {
        auto* arrows = static_cast<UpDownArrows*>(control);
        QCOMPARE(arrows->position(), 1);
        QCOMPARE(arrows->minimum(), -500);
        QCOMPARE(arrows->maximum(), 500);
    } else if (name == "FrameThumbs") {
        auto* thumbs = static_cast<QListWidget*>(control);
        QCOMPARE(thumbs->viewMode(), QListView::IconMode);
        QCOMPARE(thumbs->gridSize(), QSize(85, 85));
    } else if (name == "OptionsForm") {
        // Shown with the main window at every start.
        QTRY_VERIFY(static_cast<QWidget*>(control)->isVisible());
    }
}

void MainWindowTest::commandTable_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QKeySequence>("shortcut");
    QTest::addColumn<bool>("hasIcon");
    QTest::addColumn<QString>("handler");
    const QKeySequence none;
    QTest::newRow("Open") << "Open1" << "File1" << "Open..." << QKeySequence("Ctrl+O") << true << "Open1Click";
    QTest::newRow("Save As") << "SaveAsMenu" << "File1" << "Save As..." << QKeySequence("Ctrl+S") << true << "SaveAsMenuClick";
    QTest::newRow("Revert") << "Revert1" << "File1" << "Revert Image..." << none << false << "Revert1Click";
    QTest::newRow("Exit") << "Exit1" << "File1" << "Exit" << QKeySequence("Ctrl+X") << true << "Exit1Click";
    QTest::newRow("Undo") << "UndoMenu" << "Edit1" << "Undo" << QKeySequence("Ctrl+Z") << true << "UndoMenuClick";
    QTest::newRow("Crop") << "CropMenu" << "Edit1" << "Crop..." << none << false << "CropMenuClick";
    QTest::newRow("Copy") << "CopyMenu" << "Edit1" << "Copy" << QKeySequence("Ctrl+C") << true << "CopyMenuClick";
    QTest::newRow("Paste") << "PasteMenu" << "Edit1" << "Paste" << QKeySequence("Ctrl+V") << true << "PasteMenuClick";
    QTest::newRow("View Options") << "ViewOptions1" << "View1" << "View Options..." << none << false << "ViewOptions1Click";
    QTest::newRow("Inset Settings") << "InsetSettings1" << "View1" << "Inset Settings..." << none << false << "InsetSettings1Click";
    QTest::newRow("150 DPI") << "Frames150dpi" << "FrameImages1" << "150 DPI" << none << false << "Frames150dpiClick";
    QTest::newRow("300 DPI") << "Frames300dpi" << "FrameImages1" << "300 DPI" << none << false << "Frames150dpiClick";
    QTest::newRow("Refresh") << "Refresh1" << "View1" << "Refresh" << QKeySequence("F5") << false << "SnapshotBtnClick";
    QTest::newRow("Help Contents") << "HelpContents1" << "Help1" << "Help Contents" << QKeySequence("F1") << false << "HelpContents1Click";
    QTest::newRow("Flyover Hints") << "HelpFlyoverHintsMenu" << "Help1" << "Flyover Hints" << none << false << "HelpFlyoverHintsMenuClick";
    QTest::newRow("About") << "About1" << "Help1" << "About..." << none << false << "About1Click";
}

void MainWindowTest::commandTable()
{
    QFETCH(QString, item);
    QFETCH(QString, menu);
    QFETCH(QString, caption);
    QFETCH(QKeySequence, shortcut);
    QFETCH(bool, hasIcon);
    QFETCH(QString, handler);

    QAction* a = window().findChild<QAction*>(item);
    QVERIFY2(a, qPrintable(item));
    QCOMPARE(a->text(), caption);
    QCOMPARE(a->shortcut(), shortcut);
    QCOMPARE(!a->icon().isNull(), hasIcon);
    auto* owner = window().findChild<QMenu*>(menu);
    QVERIFY(owner);
    QVERIFY(owner->actions().contains(a));
    QCOMPARE(a->isVisible(), item != "UndoMenu");

    // The About box is modal: close it as soon as it is up.
    QTimer closer;
    connect(&closer, &QTimer::timeout, [] {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
    closer.start(10);

    // Crop and Paste act only when there is something to act on.
    if (item == "CropMenu") {
        window().LoadPhoto(writePhoto("table.png", photo(20, 20)));
        window().mainView()->setSelection(SelectionRect{1, 1, 5, 5});
        window().Edit1Click();
    } else if (item == "PasteMenu") {
        QGuiApplication::clipboard()->setMimeData(mimeDataForImage(photo(3, 3)));
    }

    if (!shortcut.isEmpty()) {
        QTest::keySequence(&window(), shortcut);
    } else {
        a->trigger();
    }
    if (item == "UndoMenu") {
        // Reached through the Edit menu's refresh; with nothing to undo the item does not act.
        QVERIFY(handlersRun().contains("Edit1Click"));
        QVERIFY(!handlersRun().contains(handler));
        window().showFramedResult(photo(8, 8), photo(8, 8, false, 40));
        QTest::keySequence(&window(), shortcut);
    }
    QVERIFY2(handlersRun().contains(handler), qPrintable(handlersRun().join(',')));
}

void MainWindowTest::toolbarButtons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("hint");
    QTest::addColumn<QString>("handler");
    QTest::newRow("Open") << "OpenBtn" << "Open an image to process" << "Open1Click";
    QTest::newRow("Save") << "SaveBtn" << "Save the new image." << "SaveAsMenuClick";
    QTest::newRow("Copy") << "CopyBtn" << "Copy result to clipboard" << "CopyMenuClick";
    QTest::newRow("Paste") << "PasteBtn" << "Paste a new image from the clipboard" << "PasteMenuClick";
    QTest::newRow("Snapshot") << "SnapshotBtn" << "Take a snapshot of the current result" << "SnapshotBtnClick";
}

void MainWindowTest::toolbarButtons()
{
    QFETCH(QString, button);
    QFETCH(QString, hint);
    QFETCH(QString, handler);
    auto* coolBar = window().findChild<QToolBar*>("CoolBar1");
    QVERIFY(coolBar);
    auto* b = coolBar->findChild<QToolButton*>(button);
    QVERIFY(b);
    QCOMPARE(b->toolTip(), hint);
    QVERIFY(!b->icon().isNull());
    // Paste is enabled only with a picture on the clipboard.
    QGuiApplication::clipboard()->setMimeData(mimeDataForImage(photo(4, 4)));
    window().UpdateEditMenu();
    QTest::mouseClick(b, Qt::LeftButton);
    QVERIFY2(handlersRun().contains(handler), qPrintable(handlersRun().join(',')));
}

void MainWindowTest::ctrlZActsWhileUndoIsHidden()
{
    const QString first = writePhoto("first.png", photo(20, 10));
    window().LoadPhoto(first);
    const Image framed = photo(30, 20, false, 1);
    const Image beforeShadow = photo(30, 20, false, 2);
    window().showFramedResult(framed, beforeShadow);
    QVERIFY(!action("UndoMenu")->isVisible());
    QCOMPARE(window().mainView()->image(), framed);

    QTest::keyClick(&window(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(window().mainView()->image(), beforeShadow);
    // The step stays: a second Undo shows the same picture again.
    QTest::keyClick(&window(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(window().mainView()->image(), beforeShadow);

    // A new photo clears the step, so Undo cannot put the old framed picture over it.
    const Image secondPhoto = photo(12, 9, false, 3);
    window().LoadPhoto(writePhoto("second.png", secondPhoto));
    QTest::keyClick(&window(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(window().mainView()->image(), secondPhoto);
    QVERIFY(!window().undoEnabled());
}

void MainWindowTest::editMenuFollowsSelectionAndFraming()
{
    window().LoadPhoto(writePhoto("p.png", photo(40, 30)));
    QAction* crop = action("CropMenu");
    QAction* copy = action("CopyMenu");

    window().Edit1Click();
    QVERIFY(!crop->isEnabled());
    QVERIFY(copy->isEnabled());
    QVERIFY(!window().undoEnabled());
    QCOMPARE(window().mainView()->mouseInteraction(), ImageView::MouseInteraction::Select);

    window().mainView()->setSelection(SelectionRect{2, 3, 10, 12});
    window().Edit1Click();
    QVERIFY(crop->isEnabled());

    // Framing with a shadow: selection gone, mouse without effect, Undo available.
    window().showFramedResult(photo(50, 40), photo(50, 40, false, 9));
    window().Edit1Click();
    QVERIFY(!crop->isEnabled());
    QVERIFY(window().undoEnabled());
    QVERIFY(copy->isEnabled());
    QCOMPARE(window().mainView()->mouseInteraction(), ImageView::MouseInteraction::None);
    QCOMPARE(window().statusPanelText(0), QStringLiteral("50x40"));

    // Loading a photo turns selection back on.
    window().LoadPhoto(writePhoto("q.png", photo(16, 16)));
    window().Edit1Click();
    QCOMPARE(window().mainView()->mouseInteraction(), ImageView::MouseInteraction::Select);
    QVERIFY(!window().undoEnabled());
}

void MainWindowTest::selectionSizeAndCrop()
{
    const Image source = photo(200, 120);
    window().LoadPhoto(writePhoto("big.png", source));
    window().mainView()->setSelection(SelectionRect{10, 20, 109, 69});
    QCOMPARE(window().statusPanelText(0), QStringLiteral("99x49"));

    m_answer = QMessageBox::Ok;
    window().Edit1Click();
    action("CropMenu")->trigger();
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(m_messages[0].text, QStringLiteral("Would you like to use the selected area as your picture now?\r\n"
                                                 "NOTE: Your original image will remain untouched."));
    QCOMPARE(m_messages[0].buttons, QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(m_messages[0].title, QStringLiteral("QM Mountwell"));
    QCOMPARE(window().originalPhoto().width(), 100);
    QCOMPARE(window().originalPhoto().height(), 50);
    QCOMPARE(window().originalPhoto().pixel(0, 0), source.pixel(10, 20));
    QCOMPARE(window().originalPhoto().pixel(99, 49), source.pixel(109, 69));
    QCOMPARE(window().mainView()->image().width(), 100);
    QVERIFY(!window().mainView()->hasSelection());
}

void MainWindowTest::cropCancelledChangesNothing()
{
    const Image source = photo(60, 40);
    window().LoadPhoto(writePhoto("c.png", source));
    window().mainView()->setSelection(SelectionRect{5, 5, 20, 20});
    m_answer = QMessageBox::Cancel;
    window().Edit1Click();
    action("CropMenu")->trigger();
    QCOMPARE(window().originalPhoto(), source);
    QVERIFY(window().mainView()->hasSelection());
}

void MainWindowTest::pasteFollowsClipboard()
{
    QAction* paste = action("PasteMenu");
    auto* pasteBtn = window().findChild<QToolButton*>("PasteBtn");
    QGuiApplication::clipboard()->clear();
    window().Edit1Click();
    QVERIFY(!paste->isEnabled());
    QVERIFY(!pasteBtn->isEnabled());

    const Image picture = photo(9, 7, false, 5);
    QGuiApplication::clipboard()->setMimeData(mimeDataForImage(picture));
    QTest::keyClick(&window(), Qt::Key_V, Qt::ControlModifier);
    QVERIFY(paste->isEnabled());
    QVERIFY(pasteBtn->isEnabled());
    QCOMPARE(window().originalPhoto(), picture);
    QCOMPARE(window().mainView()->image(), picture);
    QVERIFY(!window().frameApplied());
}

void MainWindowTest::copyThenPasteGivesOutputWithoutAlpha()
{
    // One opaque and one fully transparent pixel: the output puts the background colour under
    // the transparent one and has no alpha channel.
    Image shown(2, 1, true);
    shown.setPixel(0, 0, Rgba{10, 20, 30, 255});
    shown.setPixel(1, 0, Rgba{200, 100, 50, 0});
    window().LoadPhoto(writePhoto("alpha.png", shown));
    QVERIFY(window().mainView()->image().hasAlpha());

    QTest::keyClick(&window(), Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(&window(), Qt::Key_V, Qt::ControlModifier);
    const Image& pasted = window().originalPhoto();
    QCOMPARE(pasted.width(), 2);
    QVERIFY(!pasted.hasAlpha());
    QCOMPARE(pasted.pixel(0, 0), (Rgba{10, 20, 30, 255}));
    QCOMPARE(pasted.pixel(1, 0), (Rgba{255, 255, 255, 255}));
}

void MainWindowTest::saveAs_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("typeIndex");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QByteArray>("magic");
    QTest::newRow("no extension, JPEG selected") << "result" << 0 << "result.jpg" << QByteArray("\xFF\xD8");
    QTest::newRow(".png typed, JPEG selected") << "result.png" << 0 << "result.png" << QByteArray("\x89PNG");
    QTest::newRow("no extension, PNG selected") << "shot" << 4 << "shot.png" << QByteArray("\x89PNG");
    QTest::newRow("upper-case extension") << "LOUD.BMP" << 0 << "LOUD.BMP" << QByteArray("BM");
}

void MainWindowTest::saveAs()
{
    QFETCH(QString, typed);
    QFETCH(int, typeIndex);
    QFETCH(QString, written);
    QFETCH(QByteArray, magic);
    QTemporaryDir out;
    window().LoadPhoto(writePhoto("s.png", photo(24, 16)));
    m_saveAnswer = TMWMainForm::SaveChoice{out.filePath(typed), typeIndex};
    QTest::keyClick(&window(), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(m_saveDialogRuns, 1);
    QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.value(0).text));
    QFile file(out.filePath(written));
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
    QVERIFY(file.readAll().startsWith(magic));
    QCOMPARE(QDir(out.path()).entryList(QDir::Files).size(), 1);
}

void MainWindowTest::saveAsCancelledWritesNothing()
{
    QTemporaryDir out;
    window().LoadPhoto(writePhoto("s.png", photo(24, 16)));
    m_saveAnswer.reset();
    action("SaveAsMenu")->trigger();
    QCOMPARE(m_saveDialogRuns, 1);
    QVERIFY(QDir(out.path()).entryList(QDir::Files).isEmpty());
    QVERIFY(m_messages.isEmpty());
}

void MainWindowTest::failedSaveTellsUserAndKeepsFile_data()
{
    QTest::addColumn<QString>("target");
    QTest::newRow("extension without a writer") << "keep.wmf";
    QTest::newRow("folder that does not exist") << "missing/out.png";
}

void MainWindowTest::failedSaveTellsUserAndKeepsFile()
{
    QFETCH(QString, target);
    QTemporaryDir out;
    const QString path = out.filePath(target);
    const bool preExisting = QDir().mkpath(QFileInfo(path).absolutePath()) && !target.contains('/');
    if (preExisting) {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("precious");
    } else {
        QDir(out.path()).rmdir("missing");
    }
    window().LoadPhoto(writePhoto("s.png", photo(24, 16)));
    m_saveAnswer = TMWMainForm::SaveChoice{path, 0};
    action("SaveAsMenu")->trigger();
    QCOMPARE(m_messages.size(), 1);
    QVERIFY(!m_messages[0].text.isEmpty());
    QCOMPARE(m_messages[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    if (preExisting) {
        QFile old(path);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("precious"));
    } else {
        QVERIFY(!QFileInfo::exists(path));
    }
}

void MainWindowTest::missingPhotoWarns()
{
    const Image current = photo(10, 10);
    window().LoadPhoto(writePhoto("here.png", current));
    const QString missing = m_dir.filePath("nowhere.jpg");
    m_openDialogAnswers << missing;
    action("Open1")->trigger();
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(m_messages[0].text, QStringLiteral("Cannot find file: ") + missing);
    QCOMPARE(m_messages[0].icon, QMessageBox::Warning);
    QCOMPARE(window().originalPhoto(), current);
}

void MainWindowTest::undecodablePhotoKeepsPreviousPhoto()
{
    const Image current = photo(10, 10);
    window().LoadPhoto(writePhoto("good.png", current));
    window().mainView()->setSelection(SelectionRect{1, 1, 4, 4});
    const QString bad = m_dir.filePath("broken.png");
    {
        QFile f(bad);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("\x89PNG\r\n\x1a\n this is no picture");
    }
    window().LoadPhoto(bad);
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages[0].text.startsWith(QStringLiteral("Cannot read image: ") + bad), qPrintable(m_messages[0].text));
    QVERIFY(m_messages[0].text.size() > (QStringLiteral("Cannot read image: ") + bad).size());
    QCOMPARE(window().originalPhoto(), current);
    QCOMPARE(window().mainView()->image(), current);
    QVERIFY(window().mainView()->hasSelection());
}

void MainWindowTest::revertReloadsLastOpenedAfterPaste()
{
    const Image opened = photo(14, 6);
    m_openDialogAnswers << writePhoto("opened.png", opened);
    action("Open1")->trigger();
    QCOMPARE(window().originalPhoto(), opened);
    QGuiApplication::clipboard()->setMimeData(mimeDataForImage(photo(5, 5, false, 8)));
    window().PasteMenuClick();
    QCOMPARE(window().originalPhoto().width(), 5);
    action("Revert1")->trigger();
    QCOMPARE(window().originalPhoto(), opened);
    QVERIFY(m_messages.isEmpty());
}

void MainWindowTest::droppedFileOpensLikeOpen()
{
    const Image dropped = photo(13, 11, false, 4);
    const QString path = writePhoto("dropped.png", dropped);
    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(path)});
    const QPointF at(50, 80);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window(), &drop);
    QCOMPARE(window().originalPhoto(), dropped);
    QCOMPARE(window().openFileName(), path);
    delete data;
}

void MainWindowTest::backgroundColourReachesBothViews()
{
    TOptionsForm* options = window().optionsWindow();
    QCOMPARE(window().finalView()->backgroundColor(), options->backgroundColor());
    QCOMPARE(window().mainView()->backgroundColor(), options->backgroundColor());

    ColorComboBox* box = options->backgroundColorBox();
    const int red = 9;  // "Red" in the list
    box->setCurrentIndex(red);
    emit box->activated(red);
    QCOMPARE(window().mainView()->backgroundColor(), QColor(Qt::red));
    QCOMPARE(window().finalView()->backgroundColor(), QColor(Qt::red));

    // The saved and copied picture gets that colour where the photo is transparent.
    Image clear(1, 1, true, Rgba{0, 0, 0, 0});
    window().LoadPhoto(writePhoto("clear.png", clear));
    window().CopyMenuClick();
    const std::optional<Image> copied = imageFromMimeData(QGuiApplication::clipboard()->mimeData());
    QVERIFY(copied.has_value());
    QCOMPARE(copied->pixel(0, 0), (Rgba{255, 0, 0, 255}));
}

void MainWindowTest::hintGoesToStatusPanelWithOrWithoutPopups()
{
    auto* coolBar = window().findChild<QToolBar*>("CoolBar1");
    auto* openBtn = coolBar->findChild<QToolButton*>("OpenBtn");
    auto* copyBtn = coolBar->findChild<QToolButton*>("CopyBtn");
    QAction* flyover = action("HelpFlyoverHintsMenu");
    // A first run starts with pop-up hints on, check mark and hints together.
    QVERIFY(flyover->isChecked());
    QVERIFY(window().hintsShown());

    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QCoreApplication::sendEvent(openBtn, &enter);
    QCOMPARE(window().statusPanelText(1), QStringLiteral("Open an image to process"));

    flyover->trigger();
    QVERIFY(!flyover->isChecked());
    QVERIFY(!window().hintsShown());
    QCoreApplication::sendEvent(copyBtn, &enter);
    QCOMPARE(window().statusPanelText(1), QStringLiteral("Copy result to clipboard"));

    flyover->trigger();
    QVERIFY(flyover->isChecked());
    QVERIFY(window().hintsShown());
}

void MainWindowTest::popUpHintsFollowFlyoverHints()
{
    auto* coolBar = window().findChild<QToolBar*>("CoolBar1");
    auto* saveBtn = coolBar->findChild<QToolButton*>("SaveBtn");
    QAction* flyover = action("HelpFlyoverHintsMenu");
    const QPoint inside = saveBtn->rect().center();
    auto askForTip = [&] {
        QHelpEvent help(QEvent::ToolTip, inside, saveBtn->mapToGlobal(inside));
        QApplication::sendEvent(saveBtn, &help);
    };

    QVERIFY(flyover->isChecked());
    // The tip comes up at once, so its absence below is not a matter of waiting.
    askForTip();
    QVERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), QStringLiteral("Save the new image."));
    QToolTip::hideText();
    QTRY_VERIFY(!QToolTip::isVisible());

    flyover->trigger();
    askForTip();
    QVERIFY(!QToolTip::isVisible());
    QVERIFY(QToolTip::text().isEmpty());
}

void MainWindowTest::aboutBoxIsFreshEveryTime()
{
    QList<QPointer<QDialog>> boxes;
    QStringList titles;
    QStringList labels;
    QTimer closer;
    connect(&closer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!box || (!boxes.isEmpty() && boxes.last() == box))
            return;
        boxes << box;
        titles << box->windowTitle();
        for (const char* name : {"ProductName", "Version"})
            labels << box->findChild<QLabel*>(name)->text();
        QCOMPARE(box->size(), QSize(307 + 7 + 4, 350 + 27 + 4));
        QTest::mouseClick(box->findChild<QPushButton*>("OKButton"), Qt::LeftButton);
    });
    closer.start(10);
    action("About1")->trigger();
    QTRY_VERIFY(boxes.value(0).isNull());
    action("About1")->trigger();
    QCOMPARE(boxes.size(), 2);
    QCOMPARE(titles, (QStringList{"About Quillmoor Mountwell", "About Quillmoor Mountwell"}));
    QCOMPARE(labels, (QStringList{"Quillmoor Mountwell", "Ver: 1.3", "Quillmoor Mountwell", "Ver: 1.3"}));
    QTRY_VERIFY(boxes.value(1).isNull());
}

void MainWindowTest::helpContentsOpensHelpFileOnlyWhenPresent()
{
    const QString help = TMWMainForm::programFolder() + "mountwell.chm";
    QCOMPARE(window().helpFile(), help);
    QFile::remove(help);
    QTest::keyClick(&window(), Qt::Key_F1);
    QVERIFY(m_opened.isEmpty());
    QVERIFY(m_messages.isEmpty());

    {
        QFile f(help);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("help");
    }
    QTest::keyClick(&window(), Qt::Key_F1);
    QFile::remove(help);
    QCOMPARE(m_opened, (QList<QUrl>{QUrl::fromLocalFile(help)}));
}

void MainWindowTest::exitRunsFormCloseOnce()
{
    QTest::keyClick(&window(), Qt::Key_X, Qt::ControlModifier);
    QVERIFY(!window().isVisible());
    window().close();
    QCOMPARE(handlersRun().count("FormClose"), 1);
    QVERIFY(window().originalPhoto().isEmpty());
}

void MainWindowTest::commandErrorShownInMessageBox()
{
    // Whatever escapes a command is shown, titled with the program's title, with one OK button.
    guarded(&window(), [] { throw FileError("Cannot create file \"/x/y.png\". No such file or directory"); });
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(m_messages[0].title, QStringLiteral("QM Mountwell"));
    QCOMPARE(m_messages[0].icon, QMessageBox::Critical);
    QCOMPARE(m_messages[0].text, QStringLiteral("Cannot create file \"/x/y.png\". No such file or directory"));
    QCOMPARE(m_messages[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    m_messages.clear();

    // A file that exists but cannot be opened ends the command with the file error.
    const QString locked = writePhoto("locked.png", photo(4, 4));
    QFile::setPermissions(locked, QFileDevice::Permissions());
    if (QFile f(locked); f.open(QIODevice::ReadOnly))
        QSKIP("running with rights that ignore file permissions");
    m_openDialogAnswers << locked;
    action("Open1")->trigger();
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(m_messages[0].title, QStringLiteral("QM Mountwell"));
    QVERIFY2(m_messages[0].text.startsWith("Cannot open file \"" + locked + "\". "), qPrintable(m_messages[0].text));
    QCOMPARE(m_messages[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

void MainWindowTest::iconsAreDrawnAtEveryScale()
{
    QVERIFY(listIcon(-1).isNull());
    QVERIFY(listIcon(kIconCount).isNull());
    for (int index = 0; index < kIconCount; ++index) {
        const QIcon icon = listIcon(index);
        QVERIFY(!icon.isNull());
        QImage previous;
        for (const qreal dpr : {1.0, 2.0}) {
            const QPixmap pm = icon.pixmap(QSize(16, 16), dpr);
            QCOMPARE(pm.size(), QSize(16, 16) * dpr);
            const QImage img = pm.toImage().convertToFormat(QImage::Format_ARGB32);
            int painted = 0;
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x)
                    painted += qAlpha(img.pixel(x, y)) > 0;
            QVERIFY2(painted > img.width() * img.height() / 8, qPrintable(QString("icon %1 nearly empty").arg(index)));
            previous = img;
        }
        // Icons are drawn, not all the same picture.
        if (index > 0) {
            const QImage a = listIcon(index - 1).pixmap(QSize(16, 16), 1.0).toImage();
            const QImage b = listIcon(index).pixmap(QSize(16, 16), 1.0).toImage();
            QVERIFY2(a != b, qPrintable(QString("icons %1 and %2 alike").arg(index - 1).arg(index)));
        }
    }
}

} // namespace mw

QTEST_MAIN(mw::MainWindowTest)
#include "main_window_test.moc"
