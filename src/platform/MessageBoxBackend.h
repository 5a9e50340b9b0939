#pragma once

#include "platform/MessageBox.h"

#include <memory>

// Where MsgBox sends its boxes: Qt's message box in the program, a scripted
// one in tests.
class MessageBoxBackend
{
public:
    virtual ~MessageBoxBackend() = default;
    virtual MsgResult show(const MessageBoxRequest& request) = 0;

    // The installed backend, or the Qt one when none is installed.
    static MessageBoxBackend& current();
    // nullptr restores the Qt backend.
    static void install(std::shared_ptr<MessageBoxBackend> backend);
    // What install() last set: nullptr while the Qt backend is in use.
    static std::shared_ptr<MessageBoxBackend> installed();
};
