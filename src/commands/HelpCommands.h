#pragma once

#include "commands/CommandContext.h"

// The Help menu's help item: there is no help yet, and the program says so.
class HelpCommands
{
public:
    explicit HelpCommands(CommandContext context);

    void mnuhelpHelp_Click();

private:
    CommandContext m_context;
};
