#pragma once

#include <QLatin1String>

// The keys of the main toolbar's buttons. A click is dispatched by comparing
// the clicked button's key with these exactly, letter case included.
namespace ToolbarKey {

inline constexpr QLatin1String New("New");
inline constexpr QLatin1String Open("Open");
inline constexpr QLatin1String Save("Save");
inline constexpr QLatin1String Print("Print");
inline constexpr QLatin1String Separator2("separator2");  // a separator that carries a key
inline constexpr QLatin1String Cut("Cut");
inline constexpr QLatin1String Copy("Copy");
inline constexpr QLatin1String Paste("Paste");
inline constexpr QLatin1String Bold("Bold");
inline constexpr QLatin1String Italic("Italic");
inline constexpr QLatin1String Underline("Underline");
inline constexpr QLatin1String Strikethru("Strikethru");
inline constexpr QLatin1String AlignLeft("Align Left");
inline constexpr QLatin1String Center("Center");
inline constexpr QLatin1String AlignRight("Align Right");
inline constexpr QLatin1String Find("Find");

} // namespace ToolbarKey
