#pragma once

#include <QColor>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>

#include <functional>
#include <memory>

class QPrinter;
class QWidget;

// The open, save, printer, font and colour dialogs of one dialog instance.
// Its properties are plain members that the commands set and read; the
// instance keeps every one of them, and every result of its last dialog,
// until something changes it again, so the main window's shared instance
// carries one command's settings into the next. The dialogs themselves are
// shown by the current CommonDialogBackend.
class CommonDialog : public QObject
{
    Q_OBJECT
public:
    // Flag values of the platform's dialogs that the program uses.
    static constexpr quint32 OFN_READONLY = 0x1, OFN_OVERWRITEPROMPT = 0x2, OFN_HIDEREADONLY = 0x4,
                             OFN_PATHMUSTEXIST = 0x800, OFN_FILEMUSTEXIST = 0x1000, OFN_CREATEPROMPT = 0x2000;
    static constexpr quint32 PD_SELECTION = 0x1, PD_NOPAGENUMS = 0x8, PD_PRINTSETUP = 0x40, PD_RETURNDC = 0x100;
    static constexpr quint32 CF_SCREENFONTS = 0x1, CF_PRINTERFONTS = 0x2, CF_BOTH = 0x3, CF_EFFECTS = 0x100,
                             CF_APPLY = 0x200;
    static constexpr quint32 CC_RGBINIT = 0x1;
    // The error a cancelled dialog stands for while CancelError is true.
    static constexpr int cdlCancel = 32755;

    explicit CommonDialog(QObject* parent = nullptr);
    ~CommonDialog() override;

    // Title of the file and printer dialogs (the font and colour dialogs keep
    // their own titles, as the platform's do).
    QString DialogTitle;
    // true: a cancelled dialog is the caller's error cdlCancel and FileName is
    // left as it was; false: ShowOpen/ShowSave leave FileName empty on cancel.
    bool CancelError = false;
    quint32 Flags = 0;
    // "description|pattern|description|pattern…"; a pattern may list several
    // wildcards separated by ';'.
    QString Filter;
    // The filter entry, counted from 1. A fresh instance holds 1, the first
    // entry; values outside the filter also select the first entry. After an
    // accepted open or save dialog it holds the entry the user chose.
    int FilterIndex = 1;
    // The chosen file's full path after ShowOpen/ShowSave; before them, the
    // name the dialog proposes.
    QString FileName;
    QString InitDir;
    // Added to a typed name that has no extension; empty: names stay as typed.
    QString DefaultExt;

    QString FontName;
    float FontSize = 0; // points; 0 = not set
    bool FontBold = false, FontItalic = false, FontStrikethru = false, FontUnderline = false;
    // Black until a dialog chooses otherwise, as on the platform.
    QColor Color = QColor(Qt::black);
    // Called by the font dialog's Apply button (CF_APPLY) while the dialog
    // stays open; the font fields and Color then hold its current choices.
    // A cancel afterwards still restores the fields to what they were.
    std::function<void()> onApply;

    // The owner window of the modal dialogs; when unset, the parent object if
    // it is a widget.
    QWidget* parentWindow = nullptr;
    QWidget* ownerWindow() const;

    // The one printer this instance keeps (created on first use), so the
    // choices of one printer dialog apply to later printing.
    QPrinter* printer();

    // Each returns true when the user accepted. On cancel they return false
    // and change no result; ShowOpen and ShowSave then empty FileName unless
    // CancelError is set.
    bool ShowOpen();
    bool ShowSave();
    bool ShowPrinter();
    bool ShowFont();
    bool ShowColor();

    // "Текстовые документы|*.txt|Web страница|*.htm" -> {description, pattern}
    // pairs. An empty description takes the pattern's text; a trailing
    // description without a pattern is dropped; an empty pattern ends the
    // list, as on the platform, so the numbering of the entries before it
    // never shifts.
    static QList<QPair<QString, QString>> parseFilter(const QString& filter);

    // The folder of the last file chosen through this instance; the file
    // dialogs start there when neither FileName nor InitDir names one.
    QString lastDirectory() const { return m_lastDirectory; }
    void setLastDirectory(const QString& dir) { m_lastDirectory = dir; }

private:
    bool showFileDialog(bool save);

    std::unique_ptr<QPrinter> m_printer;
    QString m_lastDirectory;
};
