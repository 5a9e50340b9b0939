#include "platform/CommonDialog.h"

#include "platform/CommonDialogBackend.h"

#include <QFileInfo>
#include <QPrinter>
#include <QWidget>

CommonDialog::CommonDialog(QObject* parent)
    : QObject(parent)
{
}

CommonDialog::~CommonDialog() = default;

QWidget* CommonDialog::ownerWindow() const
{
    if (parentWindow)
        return parentWindow;
    return qobject_cast<QWidget*>(parent());
}

QPrinter* CommonDialog::printer()
{
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return m_printer.get();
}

bool CommonDialog::showFileDialog(bool save)
{
    const QString oldFileName = FileName;
    const int oldFilterIndex = FilterIndex;
    const bool accepted =
        CommonDialogBackend::current().show(save ? CommonDialogKind::Save : CommonDialogKind::Open, *this);
    if (accepted) {
        if (!FileName.isEmpty())
            m_lastDirectory = QFileInfo(FileName).absolutePath();
        return true;
    }
    // A cancelled dialog changes no result, whatever the backend did.
    FilterIndex = oldFilterIndex;
    FileName = CancelError ? oldFileName : QString();
    return false;
}

bool CommonDialog::ShowOpen()
{
    return showFileDialog(false);
}

bool CommonDialog::ShowSave()
{
    return showFileDialog(true);
}

bool CommonDialog::ShowPrinter()
{
    return CommonDialogBackend::current().show(CommonDialogKind::Printer, *this);
}

bool CommonDialog::ShowFont()
{
    const QString name = FontName;
    const float size = FontSize;
    const bool bold = FontBold, italic = FontItalic, strike = FontStrikethru, underline = FontUnderline;
    const QColor color = Color;
    if (CommonDialogBackend::current().show(CommonDialogKind::Font, *this))
        return true;
    FontName = name;
    FontSize = size;
    FontBold = bold;
    FontItalic = italic;
    FontStrikethru = strike;
    FontUnderline = underline;
    Color = color;
    return false;
}

bool CommonDialog::ShowColor()
{
    const QColor color = Color;
    if (CommonDialogBackend::current().show(CommonDialogKind::Color, *this))
        return true;
    Color = color;
    return false;
}

QList<QPair<QString, QString>> CommonDialog::parseFilter(const QString& filter)
{
    QList<QPair<QString, QString>> entries;
    if (filter.isEmpty())
        return entries;
    const QStringList items = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < items.size(); i += 2) {
        const QString pattern = items.at(i + 1).trimmed();
        if (pattern.isEmpty())
            break;
        const QString description = items.at(i).trimmed();
        entries.append({description.isEmpty() ? pattern : description, pattern});
    }
    return entries;
}
