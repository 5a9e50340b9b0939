#pragma once

#include <memory>

// Base of a backend interface that has one installed implementation at a
// time: Qt's dialogs in the program (makeDefault, defined beside each
// interface), scripted ones that tests install.
template <typename Interface>
class ReplaceableBackend
{
public:
    // The installed backend, or the default one when none is installed.
    static Interface& current()
    {
        if (const std::shared_ptr<Interface>& backend = slot())
            return *backend;
        static const std::unique_ptr<Interface> fallback = makeDefault();
        return *fallback;
    }
    // nullptr restores the default backend.
    static void install(std::shared_ptr<Interface> backend) { slot() = std::move(backend); }
    // What install() last set: nullptr while the default is in use.
    static std::shared_ptr<Interface> installed() { return slot(); }

private:
    static std::unique_ptr<Interface> makeDefault();
    static std::shared_ptr<Interface>& slot()
    {
        static std::shared_ptr<Interface> backend;
        return backend;
    }
};
