#pragma once

#include "platform/MessageBox.h"
#include "platform/ReplaceableBackend.h"

#include <memory>

// Where MsgBox sends its boxes: Qt's message box in the program, a scripted
// one in tests.
class MessageBoxBackend : public ReplaceableBackend<MessageBoxBackend>
{
public:
    virtual ~MessageBoxBackend() = default;
    virtual MsgResult show(const MessageBoxRequest& request) = 0;
};

// The Qt implementation, defined beside the interface.
template <>
std::unique_ptr<MessageBoxBackend> ReplaceableBackend<MessageBoxBackend>::makeDefault();
