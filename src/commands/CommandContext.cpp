#include "commands/CommandContext.h"

#include "document/frmDocument.h"

RichTextBox* CommandContext::activeEditor() const
{
    frmDocument* document = ActiveForm();
    return document ? document->rtfText : nullptr;
}
