#include "platform/CommonDialogBackend.h"

#include "platform/QtCommonDialogBackend.h"

namespace {

std::shared_ptr<CommonDialogBackend>& installedBackend()
{
    static std::shared_ptr<CommonDialogBackend> backend;
    return backend;
}

} // namespace

CommonDialogBackend& CommonDialogBackend::current()
{
    if (auto& backend = installedBackend())
        return *backend;
    static QtCommonDialogBackend qtBackend;
    return qtBackend;
}

void CommonDialogBackend::install(std::shared_ptr<CommonDialogBackend> backend)
{
    installedBackend() = std::move(backend);
}

std::shared_ptr<CommonDialogBackend> CommonDialogBackend::installed()
{
    return installedBackend();
}
