#pragma once

#include <QObject>

// Whether the system clipboard offers plain text, kept up to date from the
// clipboard's change notifications so that asking costs nothing (the window
// system is not queried on every refresh tick). It knows nothing until the
// first update(): the owner of the clipboard may be slow to answer, so the
// main window asks once it has been painted.
class ClipboardState : public QObject
{
    Q_OBJECT
public:
    explicit ClipboardState(QObject* parent = nullptr);

    bool hasText() const { return m_hasText; }
    void update();

private:
    bool m_hasText = false;
};
