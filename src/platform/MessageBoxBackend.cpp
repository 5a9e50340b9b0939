#include "platform/MessageBoxBackend.h"

#include "platform/QtMessageBoxBackend.h"

namespace {

std::shared_ptr<MessageBoxBackend>& installedBackend()
{
    static std::shared_ptr<MessageBoxBackend> backend;
    return backend;
}

} // namespace

MessageBoxBackend& MessageBoxBackend::current()
{
    if (auto& backend = installedBackend())
        return *backend;
    static QtMessageBoxBackend qtBackend;
    return qtBackend;
}

void MessageBoxBackend::install(std::shared_ptr<MessageBoxBackend> backend)
{
    installedBackend() = std::move(backend);
}

std::shared_ptr<MessageBoxBackend> MessageBoxBackend::installed()
{
    return installedBackend();
}
