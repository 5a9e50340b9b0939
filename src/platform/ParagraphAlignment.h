#pragma once

// The values of RichTextBox::SelAlignment, which the toolbar's alignment
// buttons write and show.
namespace ParagraphAlignment {

inline constexpr int Left = 0;
inline constexpr int Right = 1;
inline constexpr int Center = 2;

} // namespace ParagraphAlignment
