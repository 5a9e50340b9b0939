#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QtGlobal>

// A part a window keeps to itself, found as the tests find every control: by
// its object name among the window's own children first, then further down.
// A part that is not there stops the test at once.
template <typename T>
T* namedPart(const QObject& window, const char* name)
{
    T* part = window.findChild<T*>(QLatin1String(name), Qt::FindDirectChildrenOnly);
    if (!part)
        part = window.findChild<T*>(QLatin1String(name));
    if (!part)
        qFatal("%s has no part named %s", window.objectName().toUtf8().constData(), name);
    return part;
}
