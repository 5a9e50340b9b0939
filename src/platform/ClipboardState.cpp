#include "platform/ClipboardState.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

ClipboardState::ClipboardState(QObject* parent)
    : QObject(parent)
{
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        connect(clipboard, &QClipboard::dataChanged, this, &ClipboardState::update);
}

void ClipboardState::update()
{
    const QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* data = clipboard ? clipboard->mimeData(QClipboard::Clipboard) : nullptr;
    m_hasText = data && data->hasText();
}
