#include "app/frmMain.h"

#include "app/AppStartup.h"
#include "app/CaretBlinkTimeout.h"
#include "app/DocumentRecovery.h"
#include "app/IniValues.h"
#include "app/MainMenu.h"
#include "app/MainStatusBar.h"
#include "app/MainToolBar.h"
#include "app/MdiTiling.h"
#include "app/MenuBarKeys.h"
#include "app/SpellingMenu.h"
#include "app/SpellingOption.h"
#include "app/StateRefresh.h"
#include "app/ToolbarKeys.h"
#include "app/WindowListMenu.h"
#include "commands/CommandContext.h"
#include "commands/EditCommands.h"
#include "commands/FileCommands.h"
#include "commands/FormatCommands.h"
#include "commands/HelpCommands.h"
#include "dialogs/FindForm.h"
#include "dialogs/ProgramIcon.h"
#include "dialogs/frmAbout.h"
#include "dialogs/frmSimbolSelect.h"
#include "document/frmDocument.h"
#include "listsearch/CompletionOptions.h"
#include "platform/ClipboardState.h"
#include "platform/CommonDialog.h"
#include "platform/MessageBox.h"
#include "platform/PersonalDictionary.h"
#include "platform/RichTextBox.h"
#include "platform/SpellChecker.h"
#include "platform/Twips.h"
#include "platform/UserStore.h"
#include "platform/WindowBounds.h"
#include "texts/UiTexts.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDialog>
#include <QIcon>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStyle>
#include <QTextDocument>
#include <QTimer>
#include <QWindow>

namespace {

const QString settingsSection = QStringLiteral("Settings");
const QString optionsSection = QStringLiteral("Options");

struct Bound
{
    const char* key;
    double defaultValue;
};
const Bound bounds[4] = {{"MainLeft", 1000}, {"MainTop", 1000}, {"MainWidth", 6500}, {"MainHeight", 6500}};

} // namespace

frmMain::frmMain(QWidget* parent)
    : QMainWindow(parent)
{
    AppStartup::initResources();
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(UiTexts::AppTitle);
    // The application's icon when the program has set it (read once).
    setWindowIcon(QApplication::windowIcon().isNull() ? ProgramIcon() : QApplication::windowIcon());

    m_mdiArea = new QMdiArea(this);
    m_mdiArea->setObjectName(QStringLiteral("mdiArea"));
    m_mdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdiArea);

    m_menu = new MainMenu(menuBar());
    new MenuBarKeys(menuBar());
    new CaretBlinkTimeout(this);
    tbToolBar = new MainToolBar(this);
    addToolBar(Qt::TopToolBarArea, tbToolBar);
    sbStatusBar = new MainStatusBar(this);
    setStatusBar(sbStatusBar);

    dlgCommonDialog = new CommonDialog(this);
    dlgCommonDialog->setObjectName(QStringLiteral("dlgCommonDialog"));
    dlgCommonDialog->parentWindow = this;

    m_clipboard = new ClipboardState(this);
    m_refresh = new StateRefresh(tbToolBar, m_menu, this);
    m_windowList = new WindowListMenu(m_menu->mnuwindow, m_mdiArea);
    m_completionOptions = new CompletionOptions(m_menu->mnuOptionsLower, m_menu->mnuOptionsUpper,
                                                m_menu->mnuOptionsComplete, this);
    m_fileCommands = std::make_unique<FileCommands>(commandContext());
    m_recovery = new DocumentRecovery(this, this);

    m_spellChecker = new SpellChecker(SpellChecker::dictionaryFolder(), PersonalDictionary::defaultPath(), this);
    m_spellingOption = new SpellingOption(m_menu->mnutuningspellcheck, m_spellChecker, this);
    m_spellingOption->load();
    m_spellingMenu = new SpellingMenu(m_menu->mnucontext, m_spellChecker, this);
    connect(m_spellChecker, &SpellChecker::loadFailed, this,
            [this](const QString& message) { MsgBox(this, message, MsgButtons::OKOnly, MsgIcon::Exclamation); });

    connectMenu();
    connectEditAndFormatCommands();
    connect(tbToolBar, &MainToolBar::ButtonClick, this, &frmMain::tbToolBar_ButtonClick);
    connect(m_mdiArea, &QMdiArea::subWindowActivated, this, &frmMain::onSubWindowActivated);
    watchRefreshInputs();

    TimerChecking = new QTimer(this);
    TimerChecking->setObjectName(QStringLiteral("TimerChecking"));
    TimerChecking->setInterval(10);
    connect(TimerChecking, &QTimer::timeout, this, &frmMain::TimerChecking_Timer);

    MDIForm_Load();
    TimerChecking->start();
}

frmMain::~frmMain()
{
    // The document windows go first, while the handlers their signals reach
    // still have a whole window to work on.
    TimerChecking->stop();
    disconnect(m_mdiArea, nullptr, this, nullptr);
    for (frmDocument* document : documentWindows())
        disconnect(document->rtfText, nullptr, this, nullptr);
    delete m_mdiArea;
    m_mdiArea = nullptr;
    delete m_refresh;
}

// What the refresh pass reads: the active window, the clipboard, and of the
// active document its caption and selection (watched per document in
// CreateDocumentWindow). Focus and activation decide the active window.
void frmMain::watchRefreshInputs()
{
    StateRefresh* refresh = m_refresh;
    connect(m_mdiArea, &QMdiArea::subWindowActivated, refresh, &StateRefresh::markDue);
    if (QClipboard* clipboard = QApplication::clipboard())
        connect(clipboard, &QClipboard::dataChanged, refresh, &StateRefresh::markDue);
    connect(qApp, &QApplication::focusChanged, refresh, &StateRefresh::markDue);
    connect(qApp, &QGuiApplication::focusWindowChanged, refresh, &StateRefresh::markDue);
    connect(qApp, &QGuiApplication::applicationStateChanged, refresh, &StateRefresh::markDue);
}

void frmMain::connectMenu()
{
    const MainMenu& m = *m_menu;
    connect(m.mnuFileNew, &QAction::triggered, this, &frmMain::mnuFileNew_Click);
    connect(m.mnuFileExit, &QAction::triggered, this, &frmMain::mnuFileExit_Click);
    FileCommands* file = m_fileCommands.get();
    connect(m.mnuFileOpen, &QAction::triggered, this, [file] { file->mnuFileOpen_Click(); });
    connect(m.mnuFileSave, &QAction::triggered, this, [file] { file->mnuFileSave_Click(); });
    connect(m.mnuFileSaveAs, &QAction::triggered, this, [file] { file->mnuFileSaveAs_Click(); });
    connect(m.mnuFilePrint, &QAction::triggered, this, [file] { file->mnuFilePrint_Click(); });
    connect(m.mnuFilePageSetup, &QAction::triggered, this, [file] { file->mnuFilePageSetup_Click(); });
    connect(m.mnufiledelete, &QAction::triggered, this, [file] { file->mnufiledelete_Click(); });
    connect(m.mnuWindowNewWindow, &QAction::triggered, this, &frmMain::mnuWindowNewWindow_Click);
    connect(m.mnuWindowCascade, &QAction::triggered, this, &frmMain::mnuWindowCascade_Click);
    connect(m.mnuWindowTileHorizontal, &QAction::triggered, this, &frmMain::mnuWindowTileHorizontal_Click);
    connect(m.mnuWindowTileVertical, &QAction::triggered, this, &frmMain::mnuWindowTileVertical_Click);
    connect(m.mnuViewToolbar, &QAction::triggered, this, &frmMain::mnuViewToolbar_Click);
    connect(m.mnuViewStatusBar, &QAction::triggered, this, &frmMain::mnuViewStatusBar_Click);
    connect(m.mnueditfind, &QAction::triggered, this, &frmMain::mnueditfind_Click);
    connect(m.mnueditsimbol, &QAction::triggered, this, &frmMain::mnueditsimbol_Click);
    connect(m.mnuHelpAbout, &QAction::triggered, this, &frmMain::mnuHelpAbout_Click);
}

void frmMain::connectEditAndFormatCommands()
{
    m_editCommands = std::make_unique<EditCommands>(commandContext());
    m_formatCommands = std::make_unique<FormatCommands>(commandContext());
    m_helpCommands = std::make_unique<HelpCommands>(commandContext());
    EditCommands* edit = m_editCommands.get();
    FormatCommands* format = m_formatCommands.get();
    HelpCommands* help = m_helpCommands.get();
    const MainMenu& m = *m_menu;
    const auto on = [this](QAction* item, auto handler) { connect(item, &QAction::triggered, this, handler); };
    on(m.mnuEditCut, [edit] { edit->mnuEditCut_Click(); });
    on(m.mnuEditCopy, [edit] { edit->mnuEditCopy_Click(); });
    on(m.mnuEditPaste, [edit] { edit->mnuEditPaste_Click(); });
    on(m.mnueditdelete, [edit] { edit->mnueditdelete_Click(); });
    on(m.mnueditselectall, [edit] { edit->mnueditselectall_Click(); });
    on(m.mnuedittemedate, [edit] { edit->mnuedittemedate_Click(); });
    on(m.mnucontextcut, [edit] { edit->mnucontextcut_Click(); });
    on(m.mnucontextcopy, [edit] { edit->mnucontextcopy_Click(); });
    on(m.mnucontxtpaste, [edit] { edit->mnucontxtpaste_Click(); });
    on(m.mnucontextdelete, [edit] { edit->mnucontextdelete_Click(); });
    on(m.mnucontextselectall, [edit] { edit->mnucontextselectall_Click(); });
    on(m.mnutuningfont, [format] { format->mnutuningfont_Click(); });
    on(m.mnutuningfontcolor, [format] { format->mnutuningfontcolor_Click(); });
    on(m.mnutuningcapsenabled, [format] { format->mnutuningcapsenabled_Click(); });
    on(m.mnutuningcapsdisabled, [format] { format->mnutuningcapsdisabled_Click(); });
    on(m.mnucontextfont, [format] { format->mnucontextfont_Click(); });
    on(m.mnuhelpHelp, [help] { help->mnuhelpHelp_Click(); });
}

void frmMain::MDIForm_Load()
{
    m_menu->mnuOptionsComplete->setChecked(true);
    m_menu->mnuOptionsLower->setChecked(true);
    m_menu->mnuOptionsUpper->setChecked(false);

    applyStoredVisibility(QStringLiteral("Toolbar"), tbToolBar, m_menu->mnuViewToolbar);
    applyStoredVisibility(QStringLiteral("Statusbar"), sbStatusBar, m_menu->mnuViewStatusBar);

    sbStatusBar->Panel(1)->setText(UiTexts::StatusPanelStart);

    restoreBounds();
    CreateDocumentWindow();
}

void frmMain::applyStoredVisibility(const QString& key, QWidget* bar, QAction* item)
{
    const QString value = ReadIniValue(SettingsFilePath(), optionsSection, key, QStringLiteral("None"));
    if (value == QLatin1String("True")) {
        bar->setVisible(true);
        item->setChecked(true);
    } else if (value == QLatin1String("False")) {
        bar->setVisible(false);
        item->setChecked(false);
    }
}

void frmMain::restoreBounds()
{
    double values[4];
    for (int i = 0; i < 4; ++i) {
        const QString text = UserStore::GetSetting(UiTexts::AppTitle, settingsSection,
                                                   QLatin1String(bounds[i].key),
                                                   QString::number(bounds[i].defaultValue));
        bool ok = false;
        const double value = text.trimmed().toDouble(&ok);
        // A value edited by hand into something that is not a number keeps
        // the default of that bound.
        values[i] = ok && qIsFinite(value) ? value : bounds[i].defaultValue;
    }
    const double dpi = logicalDpiX();
    const QRect wanted(Twips::toPixels(values[0], dpi), Twips::toPixels(values[1], dpi),
                       Twips::toPixels(values[2], dpi), Twips::toPixels(values[3], dpi));
    // Bounds edited by hand, or stored on a larger screen, must still give a
    // window the user can see and move.
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.append(screen->availableGeometry());
    const QRect bounds = WindowBounds::fit(wanted, screens, style()->pixelMetric(QStyle::PM_TitleBarHeight));
    move(bounds.topLeft());
    resize(bounds.size());
}

void frmMain::storeBounds()
{
    const double dpi = logicalDpiX();
    const int values[4] = {Twips::fromPixels(x(), dpi), Twips::fromPixels(y(), dpi),
                           Twips::fromPixels(width(), dpi), Twips::fromPixels(height(), dpi)};
    QList<QPair<QString, QString>> stored;
    for (int i = 0; i < 4; ++i)
        stored.append({QLatin1String(bounds[i].key), QString::number(values[i])});
    UserStore::SaveSettings(UiTexts::AppTitle, settingsSection, stored);
}

frmDocument* frmMain::ActiveForm() const
{
    QMdiSubWindow* window = m_mdiArea->currentSubWindow();
    return window ? qobject_cast<frmDocument*>(window->widget()) : nullptr;
}

QList<frmDocument*> frmMain::documentWindows() const
{
    QList<frmDocument*> documents;
    for (QMdiSubWindow* window : m_mdiArea->subWindowList(QMdiArea::CreationOrder)) {
        if (auto* document = qobject_cast<frmDocument*>(window->widget()))
            documents.append(document);
    }
    return documents;
}

void frmMain::CreateDocumentWindow()
{
    ++DocumentCounter;
    auto* document = new frmDocument;
    QMdiSubWindow* window = m_mdiArea->addSubWindow(document);
    window->setWindowIcon(windowIcon());
    document->setCaption(UiTexts::UntitledCaption + QString::number(DocumentCounter));
    connect(document->rtfText, &RichTextBox::overwriteModeChanged, this, [this, document](bool overwrite) {
        if (ActiveForm() == document)
            sbStatusBar->setOverwriteMode(overwrite);
    });
    RichTextBox* editor = document->rtfText;
    document->setCompletionOptions(m_completionOptions);
    connect(document, &frmDocument::formattingChanged, tbToolBar, &MainToolBar::showFormatting);
    editor->setSpellChecker(m_spellChecker);
    connect(document, &frmDocument::contextMenuWanted, this,
            [this, document](const QPoint& globalPos, qsizetype position) {
                rtfText_ContextMenu(document, globalPos, position);
            });
    connect(document, &QWidget::windowTitleChanged, m_refresh, &StateRefresh::markDue);
    connect(editor, &QTextEdit::selectionChanged, m_refresh, &StateRefresh::markDue);
    connect(editor, &QTextEdit::cursorPositionChanged, m_refresh, &StateRefresh::markDue);
    connect(editor->document(), &QTextDocument::contentsChanged, m_refresh, &StateRefresh::markDue);
    connect(window, &QObject::destroyed, m_refresh, &StateRefresh::markDue);
    m_recovery->watch(document);
    window->show();
    m_mdiArea->setActiveSubWindow(window);
    editor->setFocus();
    // An empty document: Align Left pressed, no style.
    tbToolBar->showFormatting(editor->SelFormatting());
}

void frmMain::offerRecovery()
{
    m_recovery->offerLeftBehind([this] {
        CreateDocumentWindow();
        return ActiveForm();
    });
}

// On a misspelt word the suggestions go before the menu's own items, for
// this showing only.
void frmMain::rtfText_ContextMenu(frmDocument* document, const QPoint& globalPos, qsizetype position)
{
    m_spellingMenu->exec(document->rtfText, position, globalPos);
}

// The toolbar's formatting buttons follow the document the user turns to.
void frmMain::onSubWindowActivated(QMdiSubWindow*)
{
    frmDocument* document = ActiveForm();
    sbStatusBar->setOverwriteMode(document && document->rtfText->overwriteMode());
    if (document)
        tbToolBar->showFormatting(document->rtfText->SelFormatting());
}

CommandContext frmMain::commandContext()
{
    CommandContext context;
    context.activeForm = [this] { return ActiveForm(); };
    context.createDocumentWindow = [this] { CreateDocumentWindow(); };
    context.dialog = dlgCommonDialog;
    context.clipboard = QApplication::clipboard();
    context.window = this;
    return context;
}

void frmMain::mnuFileNew_Click()
{
    CreateDocumentWindow();
}

void frmMain::mnuFileExit_Click()
{
    close();
}

void frmMain::mnuWindowNewWindow_Click()
{
    CreateDocumentWindow();
}

void frmMain::mnuWindowCascade_Click()
{
    m_mdiArea->cascadeSubWindows();
}

void frmMain::mnuWindowTileHorizontal_Click()
{
    MdiTiling::tileHorizontally(m_mdiArea);
}

void frmMain::mnuWindowTileVertical_Click()
{
    MdiTiling::tileVertically(m_mdiArea);
}

void frmMain::toggleBar(QWidget* bar, QAction* item, const QString& key)
{
    if (!bar->isHidden()) {
        bar->hide();
        item->setChecked(false);
    } else {
        bar->show();
        item->setChecked(true);
    }
    WriteIniValue(SettingsFilePath(), optionsSection, key,
                  bar->isHidden() ? QStringLiteral("False") : QStringLiteral("True"));
}

void frmMain::mnuViewToolbar_Click()
{
    toggleBar(tbToolBar, m_menu->mnuViewToolbar, QStringLiteral("Toolbar"));
}

void frmMain::mnuViewStatusBar_Click()
{
    toggleBar(sbStatusBar, m_menu->mnuViewStatusBar, QStringLiteral("Statusbar"));
}

// Dispatched by the button's key, exactly and case-sensitively; a key in no
// row (the keyed separator "separator2" among them) does nothing. A step that
// needs the active document is skipped without one, and nothing is reported.
void frmMain::tbToolBar_ButtonClick(QAction* button)
{
    using namespace ToolbarKey;
    const QString key = MainToolBar::Key(button);
    if (key == New)
        CreateDocumentWindow();
    else if (key == Open)
        m_fileCommands->mnuFileOpen_Click();
    else if (key == Save)
        m_fileCommands->mnuFileSave_Click();
    else if (key == Print)
        m_fileCommands->mnuFilePrint_Click();
    else if (key == Cut)
        m_editCommands->mnuEditCut_Click();
    else if (key == Copy)
        m_editCommands->mnuEditCopy_Click();
    else if (key == Paste)
        m_editCommands->mnuEditPaste_Click();
    else if (key == Bold)
        toggleStyle(button, &RichTextBox::SelBold, &RichTextBox::setSelBold);
    else if (key == Italic)
        toggleStyle(button, &RichTextBox::SelItalic, &RichTextBox::setSelItalic);
    else if (key == Underline)
        toggleStyle(button, &RichTextBox::SelUnderline, &RichTextBox::setSelUnderline);
    else if (key == Strikethru)
        toggleStyle(button, &RichTextBox::SelStrikeThru, &RichTextBox::setSelStrikeThru);
    else if (key == AlignLeft)
        setAlignment(ParagraphAlignment::Left);
    else if (key == Center)
        setAlignment(ParagraphAlignment::Center);
    else if (key == AlignRight)
        setAlignment(ParagraphAlignment::Right);
    else if (key == Find)
        mnueditfind_Click();
}

// Reads the style, writes its negation, and shows what the editor then
// reports. A partly styled selection has no single value, and neither has
// its negation: writing "no single value" leaves every character with its
// own style, so the selection stays as it was and the button unpressed.
void frmMain::toggleStyle(QAction* button, std::optional<bool> (RichTextBox::*read)() const,
                          void (RichTextBox::*write)(bool))
{
    frmDocument* document = ActiveForm();
    if (!document)
        return;
    RichTextBox* editor = document->rtfText;
    if (const std::optional<bool> value = (editor->*read)())
        (editor->*write)(!*value);
    tbToolBar->showStyle(button, (editor->*read)());
}

// The buttons of the alignment group press and release themselves.
void frmMain::setAlignment(int alignment)
{
    if (frmDocument* document = ActiveForm())
        document->rtfText->setSelAlignment(alignment);
}

// The find dialog is loaded once and brought forward while it is open.
void frmMain::mnueditfind_Click()
{
    if (!ActiveForm())
        return;
    if (!m_findForm)
        m_findForm = new FindForm(commandContext(), this);
    m_findForm->show();
    m_findForm->raise();
    m_findForm->activateWindow();
}

// Modal and new at each opening; it deletes itself when closed.
void frmMain::mnueditsimbol_Click()
{
    auto* dialog = new frmSimbolSelect(commandContext(), this);
    dialog->exec();
}

void frmMain::mnuHelpAbout_Click()
{
    if (!m_about)
        m_about = new frmAbout(this);
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

void frmMain::TimerChecking_Timer()
{
    // Nothing the pass reads or writes has changed since the last one.
    if (!m_refresh->isDue())
        return;
    frmDocument* document = ActiveForm();
    if (!document) {
        m_refresh->passA();
        return;
    }
    m_refresh->passB(m_clipboard->hasText(), document->rtfText->isSelectionEmpty(), document->isUntitled());
}

// What may wait does so until the window has been painted: the spelling
// dictionaries load, and the clipboard is first asked whether it holds text
// (another program owns it and may be slow to answer; Qt also loads every
// image plugin to read its formats).
void frmMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_firstPaintSeen)
        m_mdiArea->viewport()->installEventFilter(this);
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Paint && !m_firstPaintSeen && watched == m_mdiArea->viewport()) {
        m_firstPaintSeen = true;
        watched->removeEventFilter(this);
        QTimer::singleShot(0, this, [this] {
            m_clipboard->update();
            m_refresh->markDue();
            m_spellChecker->start();
        });
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::closeEvent(QCloseEvent* event)
{
    for (QMdiSubWindow* window : m_mdiArea->subWindowList(QMdiArea::CreationOrder)) {
        m_mdiArea->setActiveSubWindow(window);
        if (!window->close()) {
            event->ignore();
            return;
        }
    }
    MDIForm_Unload();
    event->accept();
}

void frmMain::MDIForm_Unload()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(widget);
        if (dialog && dialog->parentWidget() == this && dialog->isVisible())
            dialog->close();
    }
    if (!isMinimized())
        storeBounds();
}
