#pragma once

#include <QStringList>

class frmMain;

// The main window's document windows, as the tests look at them.
namespace DocumentWindows {

// The captions of the document windows, in the order the main window keeps them.
QStringList captions(const frmMain& window);
// Empties every document so that closing the main window asks nothing.
void discardAll(const frmMain& window);

} // namespace DocumentWindows
