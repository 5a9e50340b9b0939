#pragma once

#include "platform/MessageBoxBackend.h"

// Message boxes as QMessageBox. The button texts are Qt's own, in Russian once
// the program has loaded Qt's translation.
class QtMessageBoxBackend : public MessageBoxBackend
{
public:
    MsgResult show(const MessageBoxRequest& request) override;
};
