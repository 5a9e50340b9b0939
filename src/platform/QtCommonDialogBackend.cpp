#include "platform/QtCommonDialogBackend.h"

#include "platform/CommonDialog.h"
#include "platform/FontDialog.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>

bool QtCommonDialogBackend::show(CommonDialogKind kind, CommonDialog& dialog)
{
    switch (kind) {
    case CommonDialogKind::Open:
        return showFile(false, dialog);
    case CommonDialogKind::Save:
        return showFile(true, dialog);
    case CommonDialogKind::Printer:
        return showPrinter(dialog);
    case CommonDialogKind::Font:
        return showFont(dialog);
    case CommonDialogKind::Color:
        return showColor(dialog);
    }
    return false;
}

QStringList QtCommonDialogBackend::nameFilters(const QString& filter)
{
    QStringList result;
    for (const auto& [description, pattern] : CommonDialog::parseFilter(filter)) {
        QStringList wildcards;
        for (const QString& part : pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString w = part.trimmed();
            if (w.isEmpty())
                continue;
            wildcards.append(w == QLatin1String("*.*") ? QStringLiteral("*") : w);
        }
        if (wildcards.isEmpty())
            wildcards.append(QStringLiteral("*"));
        const QString qtPattern = wildcards.join(QLatin1Char(' '));

        // Descriptions such as "RTF Text (*.rtf)" already show their pattern.
        QString label = description;
        const QString shown = QStringLiteral(" (%1)").arg(pattern);
        if (label.endsWith(shown))
            label.chop(shown.size());
        result.append(QStringLiteral("%1 (%2)").arg(label, qtPattern));
    }
    return result;
}

bool QtCommonDialogBackend::showFile(bool save, CommonDialog& dialog)
{
    QFileDialog fileDialog(dialog.ownerWindow());
    fileDialog.setOption(QFileDialog::DontUseNativeDialog);
    if (!dialog.DialogTitle.isEmpty())
        fileDialog.setWindowTitle(dialog.DialogTitle);
    fileDialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    const bool mustExist = !save && (dialog.Flags & CommonDialog::OFN_FILEMUSTEXIST);
    fileDialog.setFileMode(mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    fileDialog.setOption(QFileDialog::DontConfirmOverwrite,
                         !(save && (dialog.Flags & CommonDialog::OFN_OVERWRITEPROMPT)));
    QString suffix = dialog.DefaultExt;
    while (suffix.startsWith(QLatin1Char('.')))
        suffix.remove(0, 1);
    fileDialog.setDefaultSuffix(suffix);

    // Filters before the name: choosing a filter in a save dialog may rewrite
    // the extension of the name shown, and the proposed name must stay as the
    // instance holds it.
    const QStringList filters = nameFilters(dialog.Filter);
    if (!filters.isEmpty()) {
        fileDialog.setNameFilters(filters);
        const int index = dialog.FilterIndex >= 1 && dialog.FilterIndex <= filters.size() ? dialog.FilterIndex : 1;
        fileDialog.selectNameFilter(filters.at(index - 1));
    }

    QString directory;
    QString name = dialog.FileName;
    if (!name.isEmpty()) {
        const QFileInfo info(name);
        if (info.isAbsolute()) {
            name = info.fileName();
            if (QFileInfo(info.absolutePath()).isDir())
                directory = info.absolutePath();
        }
    }
    if (directory.isEmpty() && !dialog.InitDir.isEmpty() && QFileInfo(dialog.InitDir).isDir())
        directory = dialog.InitDir;
    if (directory.isEmpty() && !dialog.lastDirectory().isEmpty() && QFileInfo(dialog.lastDirectory()).isDir())
        directory = dialog.lastDirectory();
    if (!directory.isEmpty())
        fileDialog.setDirectory(directory);
    if (!name.isEmpty())
        fileDialog.selectFile(name);

    if (fileDialog.exec() != QDialog::Accepted)
        return false;
    const QStringList chosen = fileDialog.selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty())
        return false;

    dialog.FileName = QDir::toNativeSeparators(QFileInfo(chosen.first()).absoluteFilePath());
    const qsizetype index = filters.indexOf(fileDialog.selectedNameFilter());
    if (index >= 0)
        dialog.FilterIndex = int(index) + 1;
    return true;
}

bool QtCommonDialogBackend::showPrinter(CommonDialog& dialog)
{
    QPrinter* printer = dialog.printer();
    if (dialog.Flags & CommonDialog::PD_PRINTSETUP) {
        QPageSetupDialog setup(printer, dialog.ownerWindow());
        if (!dialog.DialogTitle.isEmpty())
            setup.setWindowTitle(dialog.DialogTitle);
        return setup.exec() == QDialog::Accepted;
    }

    const bool selection = dialog.Flags & CommonDialog::PD_SELECTION;
    // The range is the caller's to choose each time, not what the last print
    // dialog left in the printer.
    printer->setPrintRange(selection ? QPrinter::Selection : QPrinter::AllPages);

    QPrintDialog printDialog(printer, dialog.ownerWindow());
    if (!dialog.DialogTitle.isEmpty())
        printDialog.setWindowTitle(dialog.DialogTitle);
    QAbstractPrintDialog::PrintDialogOptions options =
        QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize |
        QAbstractPrintDialog::PrintCollateCopies;
    if (!(dialog.Flags & CommonDialog::PD_NOPAGENUMS))
        options |= QAbstractPrintDialog::PrintPageRange;
    if (selection)
        options |= QAbstractPrintDialog::PrintSelection;
    printDialog.setOptions(options);
    printDialog.setPrintRange(selection ? QAbstractPrintDialog::Selection : QAbstractPrintDialog::AllPages);
    return printDialog.exec() == QDialog::Accepted;
}

namespace {

void storeFont(CommonDialog& dialog, const FontDialog& fontDialog)
{
    const QFont chosen = fontDialog.currentFont();
    dialog.FontName = chosen.family();
    dialog.FontSize = float(chosen.pointSizeF());
    dialog.FontBold = chosen.bold();
    dialog.FontItalic = chosen.italic();
    dialog.FontUnderline = chosen.underline();
    dialog.FontStrikethru = chosen.strikeOut();
    dialog.Color = fontDialog.currentColor();
}

} // namespace

bool QtCommonDialogBackend::showFont(CommonDialog& dialog)
{
    QFont initial = QApplication::font();
    if (!dialog.FontName.isEmpty())
        initial.setFamily(dialog.FontName);
    if (dialog.FontSize > 0)
        initial.setPointSizeF(dialog.FontSize);
    initial.setBold(dialog.FontBold);
    initial.setItalic(dialog.FontItalic);
    initial.setUnderline(dialog.FontUnderline);
    initial.setStrikeOut(dialog.FontStrikethru);

    // Screen and printer fonts are one list here: every family the font
    // database knows. No DialogTitle: the font dialog keeps its own title,
    // and the shared instance's title belongs to whichever file or print
    // command ran last.
    FontDialog fontDialog(initial, dialog.Color, dialog.Flags & CommonDialog::CF_EFFECTS,
                          dialog.Flags & CommonDialog::CF_APPLY, dialog.ownerWindow());
    QObject::connect(&fontDialog, &FontDialog::applied, [&dialog, &fontDialog] {
        storeFont(dialog, fontDialog);
        if (dialog.onApply)
            dialog.onApply();
    });
    if (fontDialog.exec() != QDialog::Accepted)
        return false;
    storeFont(dialog, fontDialog);
    return true;
}

bool QtCommonDialogBackend::showColor(CommonDialog& dialog)
{
    // It starts from the instance's colour whatever flags an earlier command
    // left behind, so it shows the last colour chosen.
    const QColor initial = dialog.Color.isValid() ? dialog.Color : QColor(Qt::black);
    QColorDialog colorDialog(initial, dialog.ownerWindow());
    colorDialog.setOption(QColorDialog::DontUseNativeDialog);
    if (colorDialog.exec() != QDialog::Accepted)
        return false;
    const QColor chosen = colorDialog.selectedColor();
    dialog.Color = chosen.isValid() ? chosen : colorDialog.currentColor();
    return true;
}
