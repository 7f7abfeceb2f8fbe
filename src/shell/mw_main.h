#pragma once
// TMWMainForm, the main window: the photo view and the frame browser side by side, the menus,
// toolbar and status bar, and the commands. Handlers stay thin: the photo workspace
// (workspace/) does the work, the window shows its results and its messages.
#include "imaging/image.h"
#include "shell/up_down.h"
#include "workspace/photo_document.h"

#include <QMainWindow>
#include <QStringList>

#include <functional>
#include <optional>

class QAction;
class QActionGroup;
class QComboBox;
class QLabel;
class QListWidget;
class QMenu;
class QSplitter;
class QToolBar;
class QToolButton;

namespace mw {

class ImageView;
class TOptionsForm;

class TMWMainForm : public QMainWindow {
    Q_OBJECT
public:
    // The file dialogs, replaceable so tests (and scripts) can drive Open and Save As.
    // Open returns the chosen name, empty on Cancel.
    using OpenDialog = std::function<QString(QWidget* parent, const QString& proposedName)>;
    struct SaveChoice {
        QString fileName;   // as the dialog returned it
        int typeIndex = 0;  // index into saveFileTypes()
    };
    // nullopt on Cancel. `preview` is the output image the dialog may show.
    using SaveDialog = std::function<std::optional<SaveChoice>(QWidget* parent, const QString& proposedName,
                                                               const Image& preview)>;

    explicit TMWMainForm(QWidget* parent = nullptr);
    ~TMWMainForm() override;

    void setOpenDialog(OpenDialog dialog);
    void setSaveDialog(SaveDialog dialog);
    // The program's arguments without the program name; the first may name a photo to open.
    void setCommandLine(const QStringList& arguments);

    // Folder of the executable, with a trailing "/".
    static QString programFolder();

    // --- State other parts of the program read ---
    const PhotoDocument& document() const { return m_document; }
    const Image& originalPhoto() const { return m_document.originalPhoto(); }
    bool frameApplied() const { return m_document.frameApplied(); }
    ImageView* mainView() const { return m_iev; }
    ImageView* finalView() const { return m_finalIev; }
    TOptionsForm* optionsWindow() const { return m_optionsWindow; }
    QListWidget* frameThumbs() const { return m_frameThumbs; }
    QComboBox* foldersBox() const { return m_foldersCbx; }
    QComboBox* frameSizeBox() const { return m_frameSizeCbx; }
    QString dpiFolder() const { return m_dpiFolder; }
    QString settingsFolder() const { return m_settingsFolder; }
    QString helpFile() const { return m_helpFile; }
    // The last photo opened (the open dialog's file name); Revert Image reloads it.
    QString openFileName() const { return m_openFileName; }
    void setOpenFileName(const QString& path) { m_openFileName = path; }
    // Undo's state: its menu item stays hidden, so the item cannot hold it.
    bool undoEnabled() const { return m_undoEnabled; }
    bool hintsShown() const { return m_hintsShown; }
    QString statusPanelText(int panel) const;

    // Framing hands its picture over here: the main view shows it, the status bar its size,
    // the mouse stops selecting, and `beforeShadow` becomes Undo's step.
    void showFramedResult(Image result, std::optional<Image> beforeShadow);

signals:
    // A command handler has started (by its handler name, e.g. "Open1Click"); lets macro
    // recorders and tests follow what the user set off.
    void commandStarted(const QString& handler);

public slots:
    // Window events.
    void FormCreate();
    void FormShow();
    void FormActivate();
    void FormClose();

    // File menu.
    void Open1Click();
    void SaveAsMenuClick();
    void Revert1Click();
    void Exit1Click();
    // Edit menu.
    void Edit1Click();
    void UndoMenuClick();
    void CropMenuClick();
    void CopyMenuClick();
    void PasteMenuClick();
    // View menu.
    void ViewOptions1Click();
    void InsetSettings1Click();
    void Frames150dpiClick();
    void SnapshotBtnClick();
    // Help menu.
    void HelpContents1Click();
    void HelpFlyoverHintsMenuClick();
    void About1Click();

    // Frame browser and views.
    void FoldersCBxChange();
    void UpDown1Click(mw::UpDownArrows::Button button);
    void FrameThumbsDblClick();
    void IEVSelectionChanging();
    void IEVSelectionChange();

    // Puts the current hint into status panel 1.
    void DisplayHint(const QString& hint);
    void OpenWebPage(const QString& address);

    // Photo workspace.
    void LoadPhoto(const QString& path);
    void UpdateEditMenu();
    void PrepareFinalImage();

    // Opening a photo from outside the open dialog (command line, recent files, a drop).
    void FileMenuHandlerOpen(const QString& path);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildActions();
    void buildMenus();
    void buildToolBar();
    void buildClientArea();
    void buildStatusBar();
    void bindEditShortcut(const QKeySequence& keys, QAction* item, void (TMWMainForm::*handler)());
    void run(void (TMWMainForm::*handler)());
    void showShownImage();
    void placeOptionsWindow();

    // Seams for the settings store, the recent-files list and the frame browser.
    void LoadSettings();
    void SaveSettings();
    void ListFrameGroups();
    void AddRecentFile(const QString& path);
    void RecentFilesShow();

    // Fields, in the order the window's description gives them.
    QString m_dpiFolder = QStringLiteral("150dpi");
    PhotoDocument m_document;  // OriginalPhoto, the shown picture and Undo's step
    bool m_framesListed = false;
    QString m_settingsFolder;
    TOptionsForm* m_optionsWindow = nullptr;

    QString m_helpFile;
    QString m_openFileName;
    QString m_lastSaveName;
    QStringList m_commandLine;
    bool m_undoEnabled = false;
    bool m_hintsShown = false;
    bool m_recentFilesStarted = false;
    bool m_optionsPlaced = false;
    bool m_closed = false;
    OpenDialog m_openDialog;
    SaveDialog m_saveDialog;

    // Controls.
    QToolBar* m_coolBar = nullptr;
    QToolBar* m_toolBar = nullptr;
    QSplitter* m_splitter = nullptr;
    ImageView* m_iev = nullptr;
    ImageView* m_finalIev = nullptr;
    QWidget* m_panel1 = nullptr;
    QComboBox* m_foldersCbx = nullptr;
    UpDownArrows* m_upDown1 = nullptr;
    QLabel* m_label1 = nullptr;
    QComboBox* m_frameSizeCbx = nullptr;
    QWidget* m_thumbsContainer = nullptr;
    QListWidget* m_frameThumbs = nullptr;
    QLabel* m_statusPanel0 = nullptr;
    QLabel* m_statusPanel1 = nullptr;

    // Menus and commands.
    QMenu* m_fileMenu = nullptr;
    QMenu* m_editMenu = nullptr;
    QMenu* m_viewMenu = nullptr;
    QMenu* m_frameImagesMenu = nullptr;
    QMenu* m_helpMenu = nullptr;
    QAction* m_open1 = nullptr;
    QAction* m_saveAsMenu = nullptr;
    QAction* m_revert1 = nullptr;
    QAction* m_exit1 = nullptr;
    QAction* m_undoMenu = nullptr;
    QAction* m_cropMenu = nullptr;
    QAction* m_copyMenu = nullptr;
    QAction* m_pasteMenu = nullptr;
    QAction* m_viewOptions1 = nullptr;
    QAction* m_insetSettings1 = nullptr;
    QActionGroup* m_dpiGroup = nullptr;
    QAction* m_frames150dpi = nullptr;
    QAction* m_frames300dpi = nullptr;
    QAction* m_refresh1 = nullptr;
    QAction* m_helpContents1 = nullptr;
    QAction* m_helpFlyoverHintsMenu = nullptr;
    QAction* m_about1 = nullptr;
    QToolButton* m_openBtn = nullptr;
    QToolButton* m_saveBtn = nullptr;
    QToolButton* m_copyBtn = nullptr;
    QToolButton* m_pasteBtn = nullptr;
    QToolButton* m_snapshotBtn = nullptr;
};

} // namespace mw
