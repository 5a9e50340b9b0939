#pragma once

#include <QStringList>

#include <thread>

// Reading the system's font configuration is the largest single piece of the
// start: fontconfig parses its XML files and its caches before the first
// text can be measured. None of that needs Qt, so a thread does it while the
// application object is made (connecting to the display, loading the
// platform plugin), and the main window, whose first font would otherwise
// start it, waits for the thread first. The same thread asks the page cache
// for the files of the fonts the first paint uses, which a machine short of
// memory may have dropped since the last start.
class FontWarmUp
{
public:
    // families: those the first paint draws with ("sans-serif" stands for
    // the interface's).
    explicit FontWarmUp(const QStringList& families);
    ~FontWarmUp();
    FontWarmUp(const FontWarmUp&) = delete;
    FontWarmUp& operator=(const FontWarmUp&) = delete;

    // Returns once the configuration is read; at once when it was.
    void wait();

private:
    std::thread m_thread;
};
