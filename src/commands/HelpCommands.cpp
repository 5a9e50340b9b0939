#include "commands/HelpCommands.h"

#include "platform/MessageBox.h"
#include "texts/UiTexts.h"

HelpCommands::HelpCommands(CommandContext context)
    : m_context(std::move(context))
{
}

void HelpCommands::mnuhelpHelp_Click()
{
    MsgBox(m_context.window, UiTexts::HelpNotReady, MsgButtons::OKOnly, MsgIcon::None, UiTexts::AppTitle);
}
