#include "app/SpellingMenu.h"

#include "texts/UiTexts.h"
#include "platform/MessageBox.h"
#include "platform/RichTextBox.h"
#include "platform/SpellChecker.h"

#include <QMenu>
#include <QTextCursor>

SpellingMenu::SpellingMenu(QMenu* contextMenu, SpellChecker* checker, QObject* parent)
    : QObject(parent)
    , m_context(contextMenu)
    , m_checker(checker)
{
}

void SpellingMenu::exec(RichTextBox* editor, qsizetype position, const QPoint& globalPos)
{
    const auto word = m_checker ? editor->misspeltWordAt(position) : std::nullopt;
    if (!word) {
        m_context->exec(globalPos);
        return;
    }
    QTextCursor cursor(editor->document());
    cursor.setPosition(int(word->start));
    cursor.setPosition(int(word->start + word->length), QTextCursor::KeepAnchor);
    const QString misspelt = cursor.selectedText();

    QMenu menu(editor);
    menu.setObjectName(QStringLiteral("mnucontextspelling"));
    const QPointer<RichTextBox> target(editor);
    for (const QString& suggestion : m_checker->suggestions(misspelt)) {
        QAction* item = menu.addAction(QString(suggestion).replace(u'&', QStringLiteral("&&")));
        connect(item, &QAction::triggered, this, [target, word, suggestion] {
            if (target)
                target->replaceWord(word->start, word->length, suggestion);
        });
    }
    QAction* add = menu.addAction(UiTexts::SpellAddToDictionary);
    connect(add, &QAction::triggered, this, [this, target, misspelt] {
        QString error;
        if (m_checker && !m_checker->addToPersonal(misspelt, &error))
            MsgBox(target, UiTexts::SpellAddFailed.arg(error), MsgButtons::OKOnly, MsgIcon::Exclamation);
    });
    menu.addSeparator();
    menu.addActions(m_context->actions());
    menu.exec(globalPos);
}
