#pragma once

#include "app/ToolbarKeys.h"
#include "platform/RichTextBox.h"

#include <QList>
#include <QToolBar>

#include <array>
#include <optional>

class QAction;

// The main window's toolbar: 20 positions (separators count), each button
// reachable by its 1-based position and by its key. A button's pressed look
// is its Value (1 pressed, 0 not); the four style buttons never latch on their
// own, the program sets them, and the three alignment buttons form a group of
// which a click presses one and releases the others.
class MainToolBar : public QToolBar
{
    Q_OBJECT
public:
    static constexpr int ButtonCount = 20;
    static constexpr int AlignLeftPosition = 16;

    explicit MainToolBar(QWidget* parent = nullptr);

    // The compiled-in picture of the buttons' images for a screen of the
    // given density.
    static QString imageStripPath(qreal devicePixelRatio);

    QAction* Button(int position) const; // 1-based; nullptr outside 1..20
    QAction* Button(const QString& key) const;
    static QString Key(const QAction* button);
    static void setKey(QAction* button, const QString& key);

    static int Value(const QAction* button);
    void setValue(QAction* button, int value);

    // The seven formatting buttons are written only through these three.
    // The four style buttons show pressed where the selection has the style
    // throughout, the alignment button of the selection's one alignment
    // (none when the selected paragraphs differ).
    void showFormatting(const RichTextBox::Formatting& formatting);
    // A style button after its click: pressed only when the style is set
    // throughout (a mixed selection shows unpressed).
    void showStyle(QAction* button, std::optional<bool> value);
    // No document: none of the three alignment buttons pressed.
    void releaseAlignment();

signals:
    void ButtonClick(QAction* button);

private:
    enum class Style { Plain, Latching, Group, Separator };
    void onTriggered(QAction* button, Style style, bool checked);

    QList<QAction*> m_buttons;
    QList<QAction*> m_group;
    // Bold, Italic, Underline, Strikethru, Align Left, Center, Align Right
    std::array<QAction*, 7> m_formatButtons {};
};
