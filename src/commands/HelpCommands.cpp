#include "commands/HelpCommands.h"

#include "app/UiTexts.h"
#include "platform/MessageBox.h"

HelpCommands::HelpCommands(CommandContext context)
    : m_context(std::move(context))
{
}

void HelpCommands::mnuhelpHelp_Click()
{
    MsgBox(m_context.window, UiTexts::HelpNotReady, MsgButtons::OKOnly, MsgIcon::None, UiTexts::AppTitle);
}
