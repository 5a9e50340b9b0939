#include "helpers/DocumentWindows.h"

#include "app/frmMain.h"
#include "document/frmDocument.h"
#include "platform/RichTextBox.h"

namespace DocumentWindows {

QStringList captions(const frmMain& window)
{
    QStringList list;
    for (frmDocument* document : window.documentWindows())
        list << document->Caption();
    return list;
}

void discardAll(const frmMain& window)
{
    for (frmDocument* document : window.documentWindows())
        document->rtfText->clear();
}

} // namespace DocumentWindows
