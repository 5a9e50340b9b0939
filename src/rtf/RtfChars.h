#pragma once

// The character classes of RTF's syntax, ASCII only whatever the locale:
// control words are letters, their parameters digits, \' escapes and
// picture data hexadecimal.
namespace RtfChars {

inline bool isAlpha(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

inline bool isDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}

// The value of a hexadecimal digit; -1 for any other character.
inline int hexValue(unsigned char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace RtfChars
