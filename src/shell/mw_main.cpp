#include "shell/mw_main.h"

#include "shell/about.h"
#include "shell/app.h"
#include "shell/icons.h"
#include "shell/image_view.h"
#include "workspace/clipboard_formats.h"
#include "workspace/file_types.h"
#include "workspace/output.h"
#include "workspace/selection_status.h"
#include "workspace/ui/image_file_dialogs.h"
#include "workspace/ui/options_form.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QShortcut>
#include <QSplitter>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace mw {

namespace {

Color toColor(const QColor& c)
{
    return Color{uint8_t(c.red()), uint8_t(c.green()), uint8_t(c.blue())};
}

QString runOpenDialog(QWidget* parent, const QString& proposedName)
{
    OpenImageDialog dialog(parent);
    dialog.proposeFileName(proposedName);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.chosenPath();
}

std::optional<TMWMainForm::SaveChoice> runSaveDialog(QWidget* parent, const QString& proposedName,
                                                     const Image& previewImage)
{
    SaveImageDialog dialog(parent);
    dialog.setPreviewImage(previewImage);
    dialog.proposeFileName(proposedName);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return TMWMainForm::SaveChoice{dialog.chosenPath(), dialog.selectedTypeIndex()};
}

QStringList localFiles(const QMimeData* data)
{
    QStringList files;
    if (!data || !data->hasUrls())
        return files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile())
            files << url.toLocalFile();
    return files;
}

} // namespace

TMWMainForm::TMWMainForm(QWidget* parent)
    : QMainWindow(parent), m_openDialog(runOpenDialog), m_saveDialog(runSaveDialog)
{
    setObjectName(QStringLiteral("MWMainForm"));
    setWindowTitle(applicationTitle());
    setWindowIcon(listIcon(IconFramedPicture));
    resize(677, 484);
    setAcceptDrops(true);

    buildActions();
    buildMenus();
    buildToolBar();
    buildClientArea();
    buildStatusBar();

    // Pop-up hints are the window's to switch; tool tips of our controls pass through here.
    qApp->installEventFilter(this);

    guarded(this, [this] { FormCreate(); });
}

TMWMainForm::~TMWMainForm()
{
    qApp->removeEventFilter(this);
}

void TMWMainForm::setOpenDialog(OpenDialog dialog)
{
    m_openDialog = dialog ? std::move(dialog) : OpenDialog(runOpenDialog);
}

void TMWMainForm::setSaveDialog(SaveDialog dialog)
{
    m_saveDialog = dialog ? std::move(dialog) : SaveDialog(runSaveDialog);
}

void TMWMainForm::setCommandLine(const QStringList& arguments)
{
    m_commandLine = arguments;
}

QString TMWMainForm::programFolder()
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/');
}

QString TMWMainForm::statusPanelText(int panel) const
{
    return panel == 0 ? m_statusPanel0->text() : m_statusPanel1->text();
}

// ---------------------------------------------------------------------------------------------
// Building the window

void TMWMainForm::buildActions()
{
    auto make = [this](const char* name, const QString& caption, int icon = -1) {
        auto* action = new QAction(caption, this);
        action->setObjectName(QString::fromLatin1(name));
        if (icon >= 0)
            action->setIcon(listIcon(icon));
        return action;
    };
    auto bind = [this](QAction* action, void (TMWMainForm::*handler)()) {
        connect(action, &QAction::triggered, this, [this, handler] { run(handler); });
    };

    m_open1 = make("Open1", QStringLiteral("Open..."), IconOpen);
    m_open1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    bind(m_open1, &TMWMainForm::Open1Click);
    m_saveAsMenu = make("SaveAsMenu", QStringLiteral("Save As..."), IconSave);
    m_saveAsMenu->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    bind(m_saveAsMenu, &TMWMainForm::SaveAsMenuClick);
    m_revert1 = make("Revert1", QStringLiteral("Revert Image..."));
    bind(m_revert1, &TMWMainForm::Revert1Click);
    m_exit1 = make("Exit1", QStringLiteral("Exit"), IconExit);
    m_exit1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    bind(m_exit1, &TMWMainForm::Exit1Click);

    // The Edit items' shortcuts go through bindEditShortcut(), which refreshes the Edit states
    // first; the items themselves only show the keys.
    m_undoMenu = make("UndoMenu", QStringLiteral("Undo"), IconUndo);
    m_undoMenu->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    m_undoMenu->setShortcutContext(Qt::WidgetShortcut);
    m_undoMenu->setVisible(false);
    bind(m_undoMenu, &TMWMainForm::UndoMenuClick);
    m_cropMenu = make("CropMenu", QStringLiteral("Crop..."));
    bind(m_cropMenu, &TMWMainForm::CropMenuClick);
    m_copyMenu = make("CopyMenu", QStringLiteral("Copy"), IconCopy);
    m_copyMenu->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    m_copyMenu->setShortcutContext(Qt::WidgetShortcut);
    bind(m_copyMenu, &TMWMainForm::CopyMenuClick);
    m_pasteMenu = make("PasteMenu", QStringLiteral("Paste"), IconPaste);
    m_pasteMenu->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    m_pasteMenu->setShortcutContext(Qt::WidgetShortcut);
    bind(m_pasteMenu, &TMWMainForm::PasteMenuClick);
    bindEditShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), m_undoMenu, &TMWMainForm::UndoMenuClick);
    bindEditShortcut(QKeySequence(Qt::CTRL | Qt::Key_C), m_copyMenu, &TMWMainForm::CopyMenuClick);
    bindEditShortcut(QKeySequence(Qt::CTRL | Qt::Key_V), m_pasteMenu, &TMWMainForm::PasteMenuClick);

    m_viewOptions1 = make("ViewOptions1", QStringLiteral("View Options..."));
    bind(m_viewOptions1, &TMWMainForm::ViewOptions1Click);
    m_insetSettings1 = make("InsetSettings1", QStringLiteral("Inset Settings..."));
    bind(m_insetSettings1, &TMWMainForm::InsetSettings1Click);
    m_dpiGroup = new QActionGroup(this);
    m_dpiGroup->setExclusive(true);
    m_frames150dpi = make("Frames150dpi", QStringLiteral("150 DPI"));
    m_frames300dpi = make("Frames300dpi", QStringLiteral("300 DPI"));
    for (QAction* item : {m_frames150dpi, m_frames300dpi}) {
        item->setCheckable(true);
        m_dpiGroup->addAction(item);
        bind(item, &TMWMainForm::Frames150dpiClick);
    }
    m_frames150dpi->setChecked(true);
    m_refresh1 = make("Refresh1", QStringLiteral("Refresh"));
    m_refresh1->setShortcut(QKeySequence(Qt::Key_F5));
    bind(m_refresh1, &TMWMainForm::SnapshotBtnClick);

    m_helpContents1 = make("HelpContents1", QStringLiteral("Help Contents"));
    m_helpContents1->setShortcut(QKeySequence(Qt::Key_F1));
    bind(m_helpContents1, &TMWMainForm::HelpContents1Click);
    m_helpFlyoverHintsMenu = make("HelpFlyoverHintsMenu", QStringLiteral("Flyover Hints"));
    m_helpFlyoverHintsMenu->setCheckable(true);
    m_helpFlyoverHintsMenu->setChecked(false);
    // The handler inverts the check mark itself; keep Qt from doing it first.
    connect(m_helpFlyoverHintsMenu, &QAction::triggered, this, [this] {
        m_helpFlyoverHintsMenu->setChecked(!m_helpFlyoverHintsMenu->isChecked());
    });
    bind(m_helpFlyoverHintsMenu, &TMWMainForm::HelpFlyoverHintsMenuClick);
    m_about1 = make("About1", QStringLiteral("About..."));
    bind(m_about1, &TMWMainForm::About1Click);
}

void TMWMainForm::bindEditShortcut(const QKeySequence& keys, QAction* item, void (TMWMainForm::*handler)())
{
    // As in the Edit menu itself: the menu's own click refreshes the states, then the item
    // acts only when enabled. Undo is never visible, so its state is kept apart from the item.
    auto* shortcut = new QShortcut(keys, this);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, [this, item, handler] {
        guarded(this, [&] {
            Edit1Click();
            const bool enabled = item == m_undoMenu ? m_undoEnabled : item->isEnabled();
            if (enabled)
                (this->*handler)();
        });
    });
}

void TMWMainForm::run(void (TMWMainForm::*handler)())
{
    guarded(this, [&] { (this->*handler)(); });
}

void TMWMainForm::buildMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    m_fileMenu = bar->addMenu(QStringLiteral("&File"));
    m_fileMenu->setObjectName(QStringLiteral("File1"));
    m_fileMenu->addAction(m_open1);
    m_fileMenu->addAction(m_saveAsMenu);
    m_fileMenu->addSeparator();
    m_fileMenu->addAction(m_revert1);
    m_fileMenu->addSeparator();
    m_fileMenu->addAction(m_exit1);

    m_editMenu = bar->addMenu(QStringLiteral("&Edit"));
    m_editMenu->setObjectName(QStringLiteral("Edit1"));
    m_editMenu->addAction(m_undoMenu);
    m_editMenu->addAction(m_cropMenu);
    m_editMenu->addSeparator();
    m_editMenu->addAction(m_copyMenu);
    m_editMenu->addAction(m_pasteMenu);
    connect(m_editMenu, &QMenu::aboutToShow, this, [this] { run(&TMWMainForm::Edit1Click); });

    m_viewMenu = bar->addMenu(QStringLiteral("&View"));
    m_viewMenu->setObjectName(QStringLiteral("View1"));
    m_viewMenu->addAction(m_viewOptions1);
    m_viewMenu->addAction(m_insetSettings1);
    m_frameImagesMenu = m_viewMenu->addMenu(QStringLiteral("Frame Images"));
    m_frameImagesMenu->setObjectName(QStringLiteral("FrameImages1"));
    m_frameImagesMenu->addAction(m_frames150dpi);
    m_frameImagesMenu->addAction(m_frames300dpi);
    m_viewMenu->addSeparator();
    m_viewMenu->addAction(m_refresh1);

    m_helpMenu = bar->addMenu(QStringLiteral("&Help"));
    m_helpMenu->setObjectName(QStringLiteral("Help1"));
    m_helpMenu->addAction(m_helpContents1);
    m_helpMenu->addAction(m_helpFlyoverHintsMenu);
    m_helpMenu->addSeparator();
    m_helpMenu->addAction(m_about1);

    for (QMenu* menu : {m_fileMenu, m_editMenu, m_viewMenu, m_frameImagesMenu, m_helpMenu})
        menu->setToolTipsVisible(false);
}

void TMWMainForm::buildToolBar()
{
    m_coolBar = new QToolBar(QStringLiteral("CoolBar1"), this);
    m_coolBar->setObjectName(QStringLiteral("CoolBar1"));
    m_coolBar->setMovable(false);
    m_coolBar->setFloatable(false);
    m_coolBar->setMinimumHeight(26);
    m_coolBar->toggleViewAction()->setVisible(false);
    addToolBar(Qt::TopToolBarArea, m_coolBar);

    m_toolBar = new QToolBar(QStringLiteral("ToolBar1"), m_coolBar);
    m_toolBar->setObjectName(QStringLiteral("ToolBar1"));
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->setIconSize(QSize(16, 16));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_toolBar->setStyleSheet(QStringLiteral("QToolBar#ToolBar1 { border: none; background: transparent; }"));
    m_coolBar->addWidget(m_toolBar);

    auto button = [this](const char* name, int icon, const QString& hint, void (TMWMainForm::*handler)()) {
        auto* b = new QToolButton(m_toolBar);
        b->setObjectName(QString::fromLatin1(name));
        b->setIcon(listIcon(icon));
        b->setIconSize(QSize(16, 16));
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setToolTip(hint);
        b->setStatusTip(hint);
        connect(b, &QToolButton::clicked, this, [this, handler] { run(handler); });
        m_toolBar->addWidget(b);
        return b;
    };
    auto separator = [this] {
        auto* gap = new QWidget(m_toolBar);
        gap->setFixedWidth(8);
        m_toolBar->addWidget(gap);
    };
    m_openBtn = button("OpenBtn", IconOpen, QStringLiteral("Open an image to process"), &TMWMainForm::Open1Click);
    m_saveBtn = button("SaveBtn", IconSave, QStringLiteral("Save the new image."), &TMWMainForm::SaveAsMenuClick);
    separator();
    m_copyBtn = button("CopyBtn", IconCopy, QStringLiteral("Copy result to clipboard"), &TMWMainForm::CopyMenuClick);
    m_pasteBtn = button("PasteBtn", IconPaste, QStringLiteral("Paste a new image from the clipboard"),
                        &TMWMainForm::PasteMenuClick);
    separator();
    m_snapshotBtn = button("SnapshotBtn", IconSnapshot, QStringLiteral("Take a snapshot of the current result"),
                           &TMWMainForm::SnapshotBtnClick);
}

void TMWMainForm::buildClientArea()
{
    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setObjectName(QStringLiteral("PTSplitter1"));
    m_splitter->setChildrenCollapsible(false);
    m_splitter->setHandleWidth(5);
    setCentralWidget(m_splitter);

    // Left pane: the photo.
    auto* pane1 = new QWidget(m_splitter);
    pane1->setObjectName(QStringLiteral("PTSplitter1_pane1"));
    pane1->setMinimumWidth(200);
    auto* pane1Layout = new QVBoxLayout(pane1);
    pane1Layout->setContentsMargins(0, 0, 0, 0);
    m_iev = new ImageView(pane1);
    m_iev->setObjectName(QStringLiteral("IEV"));
    m_iev->setBackgroundColor(Qt::white);
    m_iev->setMouseInteraction(ImageView::MouseInteraction::Select);
    m_iev->setCursor(Qt::ArrowCursor);
    pane1Layout->addWidget(m_iev);
    connect(m_iev, &ImageView::selectionChanging, this, [this] { run(&TMWMainForm::IEVSelectionChanging); });
    connect(m_iev, &ImageView::selectionChanged, this, [this] { run(&TMWMainForm::IEVSelectionChange); });

    // Right pane: the frame browser strip over the thumbnails.
    auto* pane2 = new QWidget(m_splitter);
    pane2->setObjectName(QStringLiteral("PTSplitter1_pane2"));
    pane2->setMinimumWidth(160);
    auto* pane2Layout = new QVBoxLayout(pane2);
    pane2Layout->setContentsMargins(0, 0, 0, 0);
    pane2Layout->setSpacing(0);

    m_panel1 = new QWidget(pane2);
    m_panel1->setObjectName(QStringLiteral("Panel1"));
    m_panel1->setFixedHeight(25);
    auto* strip = new QHBoxLayout(m_panel1);
    strip->setContentsMargins(0, 1, 3, 0);
    strip->setSpacing(0);
    m_foldersCbx = new QComboBox(m_panel1);
    m_foldersCbx->setObjectName(QStringLiteral("FoldersCBx"));
    m_foldersCbx->setEditable(false);
    m_foldersCbx->setMinimumWidth(40);
    m_foldersCbx->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_foldersCbx->setFixedHeight(23);
    strip->addWidget(m_foldersCbx, 1);
    m_upDown1 = new UpDownArrows(m_panel1);
    m_upDown1->setObjectName(QStringLiteral("UpDown1"));
    m_upDown1->setRange(-500, 500);
    m_upDown1->setPosition(1);
    m_upDown1->setWrap(false);
    m_upDown1->setFixedSize(15, 23);
    strip->addWidget(m_upDown1);
    strip->addSpacing(6);
    m_label1 = new QLabel(QStringLiteral("Scale By:"), m_panel1);
    m_label1->setObjectName(QStringLiteral("Label1"));
    strip->addWidget(m_label1);
    strip->addSpacing(4);
    m_frameSizeCbx = new QComboBox(m_panel1);
    m_frameSizeCbx->setObjectName(QStringLiteral("FrameSizeCBx"));
    m_frameSizeCbx->setEditable(false);
    m_frameSizeCbx->addItems({QStringLiteral("100%"), QStringLiteral("75%"), QStringLiteral("50%"), QStringLiteral("25%")});
    m_frameSizeCbx->setCurrentIndex(0);
    m_frameSizeCbx->setToolTip(QStringLiteral("Resize frame objects down by this much"));
    m_frameSizeCbx->setStatusTip(m_frameSizeCbx->toolTip());
    m_frameSizeCbx->setFixedHeight(23);
    strip->addWidget(m_frameSizeCbx);
    pane2Layout->addWidget(m_panel1);
    connect(m_foldersCbx, &QComboBox::currentIndexChanged, this, [this] { run(&TMWMainForm::FoldersCBxChange); });
    connect(m_upDown1, &UpDownArrows::clicked, this,
            [this](UpDownArrows::Button b) { guarded(this, [&] { UpDown1Click(b); }); });

    m_thumbsContainer = new QWidget(pane2);
    m_thumbsContainer->setObjectName(QStringLiteral("ImageEnMView1"));
    auto* thumbsLayout = new QVBoxLayout(m_thumbsContainer);
    thumbsLayout->setContentsMargins(0, 0, 0, 0);
    m_frameThumbs = new QListWidget(m_thumbsContainer);
    m_frameThumbs->setObjectName(QStringLiteral("FrameThumbs"));
    m_frameThumbs->setViewMode(QListView::IconMode);
    m_frameThumbs->setMovement(QListView::Static);
    m_frameThumbs->setResizeMode(QListView::Adjust);
    m_frameThumbs->setWrapping(true);
    m_frameThumbs->setUniformItemSizes(true);
    m_frameThumbs->setGridSize(QSize(85, 85));
    m_frameThumbs->setIconSize(QSize(75, 62));
    m_frameThumbs->setSpacing(0);
    m_frameThumbs->setSelectionMode(QAbstractItemView::SingleSelection);
    m_frameThumbs->setDragEnabled(false);
    m_frameThumbs->setAcceptDrops(false);
    m_frameThumbs->viewport()->setAcceptDrops(false);
    m_frameThumbs->setCursor(Qt::ArrowCursor);
    m_frameThumbs->setStyleSheet(QStringLiteral(
        "QListWidget#FrameThumbs::item { border: 1px solid black; margin: 2px; }"
        "QListWidget#FrameThumbs::item:selected { border: 3px solid red; background: transparent; color: black; }"));
    thumbsLayout->addWidget(m_frameThumbs);
    connect(m_frameThumbs, &QListWidget::itemDoubleClicked, this, [this] { run(&TMWMainForm::FrameThumbsDblClick); });

    // The output view sits under the thumbnails and is never seen; it only holds the picture
    // that Save As and Copy hand out.
    m_finalIev = new ImageView(m_thumbsContainer);
    m_finalIev->setObjectName(QStringLiteral("FinalIEV"));
    m_finalIev->setGeometry(128, 32, 325, 201);
    m_finalIev->setBackgroundColor(Qt::white);
    m_finalIev->setMouseInteraction(ImageView::MouseInteraction::Select);
    m_finalIev->hide();
    m_finalIev->lower();
    pane2Layout->addWidget(m_thumbsContainer, 1);

    m_splitter->addWidget(pane1);
    m_splitter->addWidget(pane2);
    // The photo gets what the window gains; the browser keeps its width.
    m_splitter->setStretchFactor(0, 1);
    m_splitter->setStretchFactor(1, 0);
    m_splitter->setSizes({293, std::max(160, width() - 293 - m_splitter->handleWidth())});
}

void TMWMainForm::buildStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    m_statusPanel0 = new QLabel(bar);
    m_statusPanel0->setObjectName(QStringLiteral("StatusPanel0"));
    m_statusPanel0->setFixedWidth(100);
    m_statusPanel0->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    m_statusPanel1 = new QLabel(bar);
    m_statusPanel1->setObjectName(QStringLiteral("StatusPanel1"));
    m_statusPanel1->setMinimumWidth(50);
    m_statusPanel1->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    bar->addWidget(m_statusPanel0);
    bar->addWidget(m_statusPanel1, 1);
}

// ---------------------------------------------------------------------------------------------
// Window events

void TMWMainForm::FormCreate()
{
    emit commandStarted(QStringLiteral("FormCreate"));
    m_helpFile = programFolder() + QStringLiteral("mountwell.chm");

    // The settings folder under the user's documents (the name is joined as the program has
    // always joined it: "Quillmoor" + "Quillmoor Mountwell").
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    m_settingsFolder = documents + QStringLiteral("/Quillmoor") + QStringLiteral("Quillmoor Mountwell") + QLatin1Char('/');
    QDir().mkpath(m_settingsFolder);

    m_finalIev->setSelectionVisible(false);

    LoadSettings();

    m_optionsWindow = new TOptionsForm(this);
    m_optionsWindow->setGlyphProvider(listIcon);
    connect(m_optionsWindow, &TOptionsForm::backgroundColorChanged, this, [this](const QColor& color) {
        m_iev->setBackgroundColor(color);
        m_finalIev->setBackgroundColor(color);
    });

    // Both views start on the options' background colour: the output view too, so the saved
    // picture matches what the screen shows from the first save on.
    m_iev->setBackgroundColor(m_optionsWindow->backgroundColor());
    m_finalIev->setBackgroundColor(m_optionsWindow->backgroundColor());
}

void TMWMainForm::FormShow()
{
    emit commandStarted(QStringLiteral("FormShow"));
    if (!m_openFileName.isEmpty() && QFileInfo(m_openFileName).isFile())
        LoadPhoto(m_openFileName);
    placeOptionsWindow();
    m_optionsWindow->show();
}

void TMWMainForm::FormActivate()
{
    emit commandStarted(QStringLiteral("FormActivate"));
    UpdateEditMenu();
    if (!m_framesListed) {
        ListFrameGroups();
        m_framesListed = true;
    }
}

void TMWMainForm::FormClose()
{
    emit commandStarted(QStringLiteral("FormClose"));
    m_document.releasePhoto();
    SaveSettings();
}

bool TMWMainForm::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::StatusTip:
        // Hints go to panel 1, never over the whole bar.
        DisplayHint(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    case QEvent::WindowActivate: {
        const bool handled = QMainWindow::event(event);
        run(&TMWMainForm::FormActivate);
        return handled;
    }
    default:
        return QMainWindow::event(event);
    }
}

bool TMWMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ToolTip && !m_hintsShown) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == this)
            return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMWMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (event->spontaneous())
        return;
    run(&TMWMainForm::FormShow);
    run(&TMWMainForm::RecentFilesShow);
}

void TMWMainForm::closeEvent(QCloseEvent* event)
{
    if (!m_closed) {
        m_closed = true;
        run(&TMWMainForm::FormClose);
    }
    if (m_optionsWindow)
        m_optionsWindow->hide();
    event->accept();
}

void TMWMainForm::dragEnterEvent(QDragEnterEvent* event)
{
    if (!localFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TMWMainForm::dropEvent(QDropEvent* event)
{
    const QStringList files = localFiles(event->mimeData());
    if (files.isEmpty())
        return;
    event->acceptProposedAction();
    const QString path = files.first();
    guarded(this, [&] {
        emit commandStarted(QStringLiteral("FormDragDrop"));
        FileMenuHandlerOpen(path);
        AddRecentFile(path);
    });
}

void TMWMainForm::placeOptionsWindow()
{
    if (m_optionsPlaced)
        return;
    m_optionsPlaced = true;
    // Beside the main window when the screen has room, else over its top right corner.
    m_optionsWindow->adjustSize();
    const QRect main = frameGeometry();
    const QSize size = m_optionsWindow->frameGeometry().size();
    QPoint pos(main.right() + 8, main.top() + 60);
    if (const QScreen* screen = this->screen()) {
        const QRect avail = screen->availableGeometry();
        if (pos.x() + size.width() > avail.right())
            pos.setX(std::max(avail.left(), main.right() - size.width() - 24));
        pos.setY(std::clamp(pos.y(), avail.top(), std::max(avail.top(), avail.bottom() - size.height())));
    }
    m_optionsWindow->move(pos);
}

// ---------------------------------------------------------------------------------------------
// File menu

void TMWMainForm::Open1Click()
{
    emit commandStarted(QStringLiteral("Open1Click"));
    const QString chosen = m_openDialog(this, m_openFileName);
    if (chosen.isEmpty())
        return;
    m_openFileName = chosen;
    LoadPhoto(chosen);
    AddRecentFile(chosen);
}

void TMWMainForm::SaveAsMenuClick()
{
    emit commandStarted(QStringLiteral("SaveAsMenuClick"));
    PrepareFinalImage();
    const std::optional<SaveChoice> choice = m_saveDialog(this, m_lastSaveName, m_finalIev->image());
    if (!choice || choice->fileName.isEmpty())
        return;
    const QString path = completeSavePath(choice->fileName, choice->typeIndex);
    m_lastSaveName = path;
    SaveOutcome outcome;
    {
        WaitCursor wait;
        outcome = saveResult(path, m_finalIev->image());
    }
    if (!outcome.ok)
        showMessage(this, QMessageBox::Warning, outcome.message);
}

void TMWMainForm::Revert1Click()
{
    emit commandStarted(QStringLiteral("Revert1Click"));
    if (!m_openFileName.isEmpty() && QFileInfo(m_openFileName).isFile())
        LoadPhoto(m_openFileName);
}

void TMWMainForm::Exit1Click()
{
    emit commandStarted(QStringLiteral("Exit1Click"));
    close();
}

// ---------------------------------------------------------------------------------------------
// Photo workspace

void TMWMainForm::LoadPhoto(const QString& path)
{
    LoadOutcome outcome;
    {
        WaitCursor wait;
        outcome = m_document.loadPhoto(path);
    }
    switch (outcome.kind) {
    case LoadOutcome::Kind::NotFound:
        showMessage(this, QMessageBox::Warning, outcome.message);
        return;
    case LoadOutcome::Kind::Undecodable:
        // The previous photo and view stay as they were.
        showMessage(this, QMessageBox::Warning, outcome.message);
        return;
    case LoadOutcome::Kind::Loaded:
        break;
    }
    showShownImage();
    m_iev->setMouseInteraction(ImageView::MouseInteraction::Select);
}

void TMWMainForm::showShownImage()
{
    m_iev->setImage(m_document.shownImage());
    m_iev->deselect();
}

void TMWMainForm::Edit1Click()
{
    emit commandStarted(QStringLiteral("Edit1Click"));
    UpdateEditMenu();
}

void TMWMainForm::UpdateEditMenu()
{
    const EditMenuState state =
        m_document.editMenuState(mimeOffersImage(QGuiApplication::clipboard()->mimeData()), m_iev->hasSelection());
    m_pasteMenu->setEnabled(state.pasteEnabled);
    m_pasteBtn->setEnabled(state.pasteEnabled);
    m_undoEnabled = state.undoEnabled;
    m_undoMenu->setEnabled(state.undoEnabled);
    m_cropMenu->setEnabled(state.cropEnabled);
    m_copyMenu->setEnabled(state.copyEnabled);
    m_iev->setMouseInteraction(state.selectionAllowed ? ImageView::MouseInteraction::Select
                                                      : ImageView::MouseInteraction::None);
}

void TMWMainForm::UndoMenuClick()
{
    emit commandStarted(QStringLiteral("UndoMenuClick"));
    if (m_document.undo())
        m_iev->setImage(m_document.shownImage());
}

void TMWMainForm::CropMenuClick()
{
    emit commandStarted(QStringLiteral("CropMenuClick"));
    const auto answer = showMessage(this, QMessageBox::Warning, PhotoDocument::cropConfirmationText(),
                                    QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
    if (answer != QMessageBox::Ok)
        return;
    if (!m_iev->hasSelection())
        return;
    if (m_document.crop(m_iev->selection(), toColor(m_iev->backgroundColor())))
        showShownImage();
}

void TMWMainForm::PasteMenuClick()
{
    emit commandStarted(QStringLiteral("PasteMenuClick"));
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!mimeOffersImage(data))
        return;
    std::optional<Image> picture = imageFromMimeData(data);
    m_document.pastePhoto(picture ? std::move(*picture) : Image());
    showShownImage();
    m_iev->setMouseInteraction(ImageView::MouseInteraction::Select);
}

void TMWMainForm::PrepareFinalImage()
{
    m_finalIev->setImage(prepareFinalImage(m_iev->image(), toColor(m_finalIev->backgroundColor())));
}

void TMWMainForm::CopyMenuClick()
{
    emit commandStarted(QStringLiteral("CopyMenuClick"));
    PrepareFinalImage();
    QGuiApplication::clipboard()->setMimeData(mimeDataForImage(m_finalIev->image()));
}

void TMWMainForm::IEVSelectionChanging()
{
    m_statusPanel0->setText(selectionSizeText(m_iev->selection()));
}

void TMWMainForm::IEVSelectionChange()
{
    m_statusPanel0->setText(selectionSizeText(m_iev->selection()));
}

void TMWMainForm::showFramedResult(Image result, std::optional<Image> beforeShadow)
{
    m_iev->deselect();
    m_document.setFramedResult(std::move(result), std::move(beforeShadow));
    m_iev->setImage(m_document.shownImage());
    m_statusPanel0->setText(sizeText(m_document.shownImage().width(), m_document.shownImage().height()));
    m_iev->setMouseInteraction(ImageView::MouseInteraction::None);
}

void TMWMainForm::FileMenuHandlerOpen(const QString& path)
{
    m_openFileName = path;
    LoadPhoto(path);
}

// ---------------------------------------------------------------------------------------------
// View menu and frame browser

void TMWMainForm::ViewOptions1Click()
{
    emit commandStarted(QStringLiteral("ViewOptions1Click"));
    placeOptionsWindow();
    m_optionsWindow->show();
    m_optionsWindow->raise();
}

void TMWMainForm::InsetSettings1Click()
{
    emit commandStarted(QStringLiteral("InsetSettings1Click"));
    // The inset dialog arrives with the frame library's inset offsets.
}

void TMWMainForm::Frames150dpiClick()
{
    emit commandStarted(QStringLiteral("Frames150dpiClick"));
    m_dpiFolder = m_frames300dpi->isChecked() ? QStringLiteral("300dpi") : QStringLiteral("150dpi");
    ListFrameGroups();
}

void TMWMainForm::SnapshotBtnClick()
{
    emit commandStarted(QStringLiteral("SnapshotBtnClick"));
    // Framing takes the selected thumbnail; with none selected there is nothing to do.
    if (m_frameThumbs->currentRow() < 0)
        return;
}

void TMWMainForm::FoldersCBxChange()
{
    emit commandStarted(QStringLiteral("FoldersCBxChange"));
}

void TMWMainForm::UpDown1Click(UpDownArrows::Button)
{
    emit commandStarted(QStringLiteral("UpDown1Click"));
}

void TMWMainForm::FrameThumbsDblClick()
{
    emit commandStarted(QStringLiteral("FrameThumbsDblClick"));
    if (m_frameThumbs->currentRow() < 0)
        return;
}

// ---------------------------------------------------------------------------------------------
// Help menu

void TMWMainForm::HelpContents1Click()
{
    emit commandStarted(QStringLiteral("HelpContents1Click"));
    // Silent when the help file is missing or nothing on this desktop opens it.
    if (QFileInfo(m_helpFile).isFile())
        openUrl(QUrl::fromLocalFile(m_helpFile));
}

void TMWMainForm::HelpFlyoverHintsMenuClick()
{
    emit commandStarted(QStringLiteral("HelpFlyoverHintsMenuClick"));
    m_helpFlyoverHintsMenu->setChecked(!m_helpFlyoverHintsMenu->isChecked());
    m_hintsShown = m_helpFlyoverHintsMenu->isChecked();
}

void TMWMainForm::About1Click()
{
    emit commandStarted(QStringLiteral("About1Click"));
    auto* box = new TAboutBox(this);
    box->exec();
}

void TMWMainForm::DisplayHint(const QString& hint)
{
    m_statusPanel1->setText(hint);
}

void TMWMainForm::OpenWebPage(const QString& address)
{
    openUrl(QUrl(address));
}

// ---------------------------------------------------------------------------------------------
// Seams: the settings store, the recent-files list and the frame browser fill these in.

void TMWMainForm::LoadSettings()
{
    // First-run values: the sample photo beside the program, pop-up hints on.
    m_openFileName = programFolder() + QStringLiteral("sample.jpg");
    if (!m_helpFlyoverHintsMenu->isChecked())
        HelpFlyoverHintsMenuClick();
}

void TMWMainForm::SaveSettings()
{
}

void TMWMainForm::ListFrameGroups()
{
}

void TMWMainForm::AddRecentFile(const QString&)
{
}

void TMWMainForm::RecentFilesShow()
{
    // Once per run: a photo named on the command line replaces the last-opened one.
    if (m_recentFilesStarted)
        return;
    m_recentFilesStarted = true;
    const QString argument = m_commandLine.value(0);
    if (!argument.isEmpty() && QFileInfo(argument).isFile()) {
        const QString path = QFileInfo(argument).absoluteFilePath();
        FileMenuHandlerOpen(path);
        AddRecentFile(path);
    }
}

} // namespace mw
