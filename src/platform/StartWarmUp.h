#pragma once

#include <QStringList>

#include <thread>

// What the start can do before Qt's application object exists, done on a
// thread while that object is made (connecting to the display, loading the
// platform plugin):
// - fontconfig reads its configuration, the largest single piece of the
//   start (its XML files and caches, before the first text can be
//   measured), matches the families the first paint uses (kept for
//   resolvedFont) and their files are asked into the page cache, which a
//   machine short of memory may have dropped;
// - the program's pictures of the first paint are decoded (readBuiltInPng
//   takes them).
// The main window waits for the thread before its first font.
class StartWarmUp
{
public:
    // families: those the first paint draws with; pictures: compiled-in
    // PNGs, whose resources must be registered already.
    StartWarmUp(const QStringList& families, const QStringList& pictures);
    ~StartWarmUp();
    StartWarmUp(const StartWarmUp&) = delete;
    StartWarmUp& operator=(const StartWarmUp&) = delete;

    // Returns once the thread is done; at once when it was.
    void wait();

private:
    std::thread m_thread;
};
