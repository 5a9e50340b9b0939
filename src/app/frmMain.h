#pragma once

#include <QMainWindow>
#include <QPointer>

#include <memory>
#include <optional>

class ClipboardState;
struct CommandContext;
class CommonDialog;
class CompletionOptions;
class DocumentRecovery;
class EditCommands;
class FileCommands;
class FormatCommands;
class HelpCommands;
class MainMenu;
class MainStatusBar;
class MainToolBar;
class QAction;
class QMdiArea;
class QMdiSubWindow;
class QTimer;
class RichTextBox;
class SpellChecker;
class SpellingMenu;
class SpellingOption;
class StateRefresh;
class WindowListMenu;
class FindForm;
class frmAbout;
class frmDocument;

// The main window: the frame of the document windows, with the menus,
// toolbar, status bar, the shared common dialog and the refresh timer.
class frmMain : public QMainWindow
{
    Q_OBJECT
public:
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    // The document window that has the focus inside the frame, or nullptr.
    frmDocument* ActiveForm() const;
    QList<frmDocument*> documentWindows() const;
    void CreateDocumentWindow();
    // Offers back the unsaved documents an earlier run left when it did not
    // end cleanly; called once the window is shown. Shows nothing when
    // there are none.
    void offerRecovery();
    // The recovery copies of this window's documents.
    DocumentRecovery* recovery() const { return m_recovery; }

    QMdiArea* mdiArea() const { return m_mdiArea; }
    MainMenu* menu() const { return m_menu; }
    qint32 DocumentCounter = 0;

    // Handlers
    void MDIForm_Load();
    void MDIForm_Unload();
    void mnuFileNew_Click();
    void mnuFileExit_Click();
    void mnuWindowNewWindow_Click();
    void mnuWindowCascade_Click();
    void mnuWindowTileHorizontal_Click();
    void mnuWindowTileVertical_Click();
    void mnuViewToolbar_Click();
    void mnuViewStatusBar_Click();
    void tbToolBar_ButtonClick(QAction* button);
    void mnueditfind_Click();
    void mnueditsimbol_Click();
    void mnuHelpAbout_Click();
    void TimerChecking_Timer();

    // What the command groups act on: this window's active document, its
    // shared common dialog, the clipboard.
    CommandContext commandContext();

    FileCommands* fileCommands() const { return m_fileCommands.get(); }

    ClipboardState* clipboardState() const { return m_clipboard; }
    EditCommands* editCommands() const { return m_editCommands.get(); }
    FormatCommands* formatCommands() const { return m_formatCommands.get(); }
    HelpCommands* helpCommands() const { return m_helpCommands.get(); }
    WindowListMenu* windowList() const { return m_windowList; }
    // The tag completion options of the Settings menu.
    CompletionOptions* completionOptions() const { return m_completionOptions; }
    // Spelling for every document window; its dictionaries load once the
    // window has been shown.
    SpellChecker* spellChecker() const { return m_spellChecker; }
    SpellingOption* spellingOption() const { return m_spellingOption; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A document window's editor wants its context menu.
    void rtfText_ContextMenu(frmDocument* document, const QPoint& globalPos, qsizetype position);
    void connectMenu();
    void connectEditAndFormatCommands();
    void applyStoredVisibility(const QString& key, QWidget* bar, QAction* item);
    void toggleBar(QWidget* bar, QAction* item, const QString& key);
    void restoreBounds();
    void storeBounds();
    void onSubWindowActivated(QMdiSubWindow* window);
    void watchRefreshInputs();
    void toggleStyle(QAction* button, std::optional<bool> (RichTextBox::*read)() const,
                     void (RichTextBox::*write)(bool));
    void setAlignment(int alignment);

    // The controls, found by these object names.
    MainToolBar* tbToolBar = nullptr;
    MainStatusBar* sbStatusBar = nullptr;
    CommonDialog* dlgCommonDialog = nullptr;
    QTimer* TimerChecking = nullptr;

    QMdiArea* m_mdiArea = nullptr;
    MainMenu* m_menu = nullptr;
    ClipboardState* m_clipboard = nullptr;
    StateRefresh* m_refresh = nullptr;
    WindowListMenu* m_windowList = nullptr;
    CompletionOptions* m_completionOptions = nullptr;
    SpellChecker* m_spellChecker = nullptr;
    SpellingOption* m_spellingOption = nullptr;
    SpellingMenu* m_spellingMenu = nullptr;
    bool m_firstPaintSeen = false;
    DocumentRecovery* m_recovery = nullptr;
    // The modeless dialogs, while they are open.
    QPointer<FindForm> m_findForm;
    QPointer<frmAbout> m_about;
    std::unique_ptr<FileCommands> m_fileCommands;
    std::unique_ptr<EditCommands> m_editCommands;
    std::unique_ptr<FormatCommands> m_formatCommands;
    std::unique_ptr<HelpCommands> m_helpCommands;
};
