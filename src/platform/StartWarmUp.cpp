#include "platform/StartWarmUp.h"

#include "platform/BuiltInPng.h"
#include "platform/InterfaceFont.h"

#include <fontconfig/fontconfig.h>

#include <fcntl.h>
#include <unistd.h>

#include <system_error>

namespace {

// Asks the page cache for a file.
void readAhead(const QByteArray& file)
{
    const int fd = ::open(file.constData(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_WILLNEED);
        ::close(fd);
    }
}

} // namespace

StartWarmUp::StartWarmUp(const QStringList& families, const QStringList& pictures)
{
    try {
        m_thread = std::thread([families, pictures] {
            decodeBuiltInPngsAhead(pictures);
            if (!FcInit())
                return;
            for (const FontMatch& match : matchFontsAhead(families)) {
                if (!match.file.isEmpty())
                    readAhead(match.file);
            }
        });
    } catch (const std::system_error&) {
        // No thread: Qt reads the configuration itself when it needs it, and
        // the pictures are decoded when asked for.
    }
}

StartWarmUp::~StartWarmUp()
{
    wait();
}

void StartWarmUp::wait()
{
    if (m_thread.joinable())
        m_thread.join();
}
