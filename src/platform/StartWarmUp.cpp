#include "platform/StartWarmUp.h"

#include "platform/BuiltInPng.h"

#include <fontconfig/fontconfig.h>

#include <fcntl.h>
#include <unistd.h>

#include <vector>

namespace {

// The file fontconfig gives for a family, read ahead into the page cache.
void readAhead(FcConfig* config, const QByteArray& family)
{
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(family.constData()));
    if (!pattern)
        return;
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    if (FcPattern* match = FcFontMatch(config, pattern, &result)) {
        FcChar8* file = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
            const int fd = ::open(reinterpret_cast<const char*>(file), O_RDONLY | O_CLOEXEC);
            if (fd >= 0) {
                ::posix_fadvise(fd, 0, 0, POSIX_FADV_WILLNEED);
                ::close(fd);
            }
        }
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
}

} // namespace

StartWarmUp::StartWarmUp(const QStringList& families, const QStringList& pictures)
{
    std::vector<QByteArray> names;
    for (const QString& family : families)
        names.push_back(family.toUtf8());
    try {
        m_thread = std::thread([names = std::move(names), pictures] {
            decodeBuiltInPngsAhead(pictures);
            if (!FcInit())
                return;
            FcConfig* config = FcConfigReference(nullptr);
            for (const QByteArray& name : names)
                readAhead(config, name);
            FcConfigDestroy(config);
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
