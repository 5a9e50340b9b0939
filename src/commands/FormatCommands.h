#pragma once

#include "commands/CommandContext.h"

class CommonDialog;
class RichTextBox;

// The Settings menu's character commands: the font and colour dialogs of the
// shared common dialog and the conversion of the selection to upper or lower
// case. A cancelled dialog changes nothing.
class FormatCommands
{
public:
    explicit FormatCommands(CommandContext context);

    void mnutuningfont_Click();
    void mnutuningfontcolor_Click();
    void mnutuningcapsenabled_Click();   // upper case
    void mnutuningcapsdisabled_Click();  // lower case
    void mnucontextfont_Click();

    // The seven values the font dialog leaves (name, size, italic, bold,
    // colour, strikeout, underline) applied to the editor's selection as one
    // undo step.
    static void applyFont(RichTextBox& editor, const CommonDialog& dialog);
    // Maps the selection with Qt's Unicode case mapping run by run, so every
    // character keeps its format and paragraphs and pictures stay; the
    // converted text is selected again (its length may differ: ß -> SS).
    static void convertCase(RichTextBox& editor, bool upper);

private:
    CommandContext m_context;
};
