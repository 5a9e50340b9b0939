#include "platform/MessageBoxBackend.h"

#include "platform/QtMessageBoxBackend.h"

template <>
std::unique_ptr<MessageBoxBackend> ReplaceableBackend<MessageBoxBackend>::makeDefault()
{
    return std::make_unique<QtMessageBoxBackend>();
}
