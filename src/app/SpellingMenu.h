#pragma once

#include <QObject>
#include <QPointer>

class QMenu;
class QPoint;
class RichTextBox;
class SpellChecker;

// The editor's context menu with spelling in front of it. On a misspelt word
// the menu starts with up to five suggestions, then "Добавить в словарь" and
// a separator, followed by the context menu's own items; anywhere else it is
// the context menu alone. The extra items exist for that one showing.
class SpellingMenu : public QObject
{
    Q_OBJECT
public:
    SpellingMenu(QMenu* contextMenu, SpellChecker* checker, QObject* parent = nullptr);

    // Shows the menu at globalPos for the text at position of editor and
    // returns when it has closed.
    void exec(RichTextBox* editor, qsizetype position, const QPoint& globalPos);

private:
    QMenu* m_context;
    QPointer<SpellChecker> m_checker;
};
