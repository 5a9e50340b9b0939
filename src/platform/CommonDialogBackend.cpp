#include "platform/CommonDialogBackend.h"

#include "platform/QtCommonDialogBackend.h"

template <>
std::unique_ptr<CommonDialogBackend> ReplaceableBackend<CommonDialogBackend>::makeDefault()
{
    return std::make_unique<QtCommonDialogBackend>();
}
