#include "helpers/ScriptedDialogs.h"

#include <QPrinter>
#include <QtDebug>

namespace {

// The scripted backend lives on the test's stack; the registry must not
// delete it.
template <typename Backend, typename Base>
std::shared_ptr<Base> unowned(Backend* backend)
{
    return std::shared_ptr<Base>(backend, [](Base*) {});
}

} // namespace

const char* commonDialogKindName(CommonDialogKind kind)
{
    switch (kind) {
    case CommonDialogKind::Open:
        return "Open";
    case CommonDialogKind::Save:
        return "Save";
    case CommonDialogKind::Printer:
        return "Printer";
    case CommonDialogKind::Font:
        return "Font";
    case CommonDialogKind::Color:
        return "Color";
    }
    return "?";
}

ScriptedMessageBoxes::ScriptedMessageBoxes()
    : m_previous(MessageBoxBackend::installed())
{
    MessageBoxBackend::install(unowned<ScriptedMessageBoxes, MessageBoxBackend>(this));
}

ScriptedMessageBoxes::~ScriptedMessageBoxes()
{
    MessageBoxBackend::install(m_previous);
}

void ScriptedMessageBoxes::expect(MsgResult answer)
{
    m_answers.enqueue(answer);
}

MsgResult ScriptedMessageBoxes::show(const MessageBoxRequest& request)
{
    m_requests.append(request);
    if (m_answers.isEmpty()) {
        ++m_unexpected;
        qWarning().noquote() << "Unexpected message box:" << request.title << "/" << request.text;
        return MsgResult::Cancel;
    }
    return m_answers.dequeue();
}

QStringList ScriptedMessageBoxes::texts() const
{
    QStringList result;
    for (const MessageBoxRequest& r : m_requests)
        result.append(r.text);
    return result;
}

ScriptedCommonDialogs::ScriptedCommonDialogs()
    : m_previous(CommonDialogBackend::installed())
{
    CommonDialogBackend::install(unowned<ScriptedCommonDialogs, CommonDialogBackend>(this));
}

ScriptedCommonDialogs::~ScriptedCommonDialogs()
{
    CommonDialogBackend::install(m_previous);
}

void ScriptedCommonDialogs::expect(CommonDialogKind kind, Answer answer)
{
    m_answers.enqueue({kind, std::move(answer)});
}

bool ScriptedCommonDialogs::show(CommonDialogKind kind, CommonDialog& dialog)
{
    m_shown.append({kind, dialog.DialogTitle, dialog.Flags, dialog.Filter, dialog.FilterIndex, dialog.FileName,
                    dialog.CancelError});
    if (m_answers.isEmpty()) {
        ++m_unexpected;
        qWarning() << "Unexpected" << commonDialogKindName(kind) << "dialog:" << dialog.DialogTitle;
        return false;
    }
    auto [expected, answer] = m_answers.dequeue();
    if (expected != kind) {
        ++m_unexpected;
        qWarning() << "Expected a" << commonDialogKindName(expected) << "dialog, got" << commonDialogKindName(kind);
        return false;
    }
    return answer ? answer(dialog) : false;
}

ScriptedCommonDialogs::Answer ScriptedCommonDialogs::cancel()
{
    return [](CommonDialog&) { return false; };
}

ScriptedCommonDialogs::Answer ScriptedCommonDialogs::accept()
{
    return [](CommonDialog&) { return true; };
}

ScriptedCommonDialogs::Answer ScriptedCommonDialogs::saveAs(const QString& path, int filterIndex)
{
    return [path, filterIndex](CommonDialog& dialog) {
        dialog.FileName = path;
        if (filterIndex > 0)
            dialog.FilterIndex = filterIndex;
        return true;
    };
}

ScriptedCommonDialogs::Answer ScriptedCommonDialogs::open(const QString& path, int filterIndex)
{
    return saveAs(path, filterIndex);
}

ScriptedCommonDialogs::Answer ScriptedCommonDialogs::printToFile(const QString& pdfPath)
{
    return [pdfPath](CommonDialog& dialog) {
        dialog.printer()->setOutputFormat(QPrinter::PdfFormat);
        dialog.printer()->setOutputFileName(pdfPath);
        return true;
    };
}

ScriptedCommonDialogs::Answer ScriptedCommonDialogs::chooseFont(const QString& name, float size, bool bold,
                                                                bool italic, bool underline, bool strikethru)
{
    return [=](CommonDialog& dialog) {
        dialog.FontName = name;
        dialog.FontSize = size;
        dialog.FontBold = bold;
        dialog.FontItalic = italic;
        dialog.FontUnderline = underline;
        dialog.FontStrikethru = strikethru;
        return true;
    };
}

ScriptedCommonDialogs::Answer ScriptedCommonDialogs::chooseColor(const QColor& color)
{
    return [color](CommonDialog& dialog) {
        dialog.Color = color;
        return true;
    };
}
