#pragma once

#include <QString>

#include <array>
#include <vector>

class QStringDecoder;

// One Windows or Macintosh code page as RTF uses them: \ansicpg, \cpg and the
// code page implied by a font's \fcharset. Single-byte pages decode through a
// table built once; double-byte pages (932, 936, 949, 950) and UTF-8 decode
// whole byte sequences.
class RtfCodePage
{
public:
    // The shared instance for a code page number; an unknown number gives
    // Windows-1252, the RTF default.
    static const RtfCodePage& get(int codePage);

    // The code page a font's \fcharset stands for, or 0 when the charset
    // names none (default, symbol, OEM-dependent ones).
    static int fromCharset(int charset);

    int number() const { return m_number; }

    // Bytes in a character that starts with this byte: 1 for single-byte
    // pages, 2 for DBCS lead bytes, 1-4 for UTF-8.
    int sequenceLength(unsigned char lead) const;

    QChar decodeByte(unsigned char byte) const { return m_table[byte]; }

    // Decodes a multi-byte sequence; U+FFFD when it is not valid.
    QString decodeSequence(const char* bytes, int length) const;

    QString decode(const QByteArray& bytes) const;

private:
    explicit RtfCodePage(int number);

    enum class Kind { SingleByte, DoubleByte, Utf8 };
    // A pair that decodes to more than one UTF-16 unit.
    static constexpr char16_t kDecodeOnDemand = 0xFFFF;

    void buildPairTable(QStringDecoder& decoder);

    int m_number;
    Kind m_kind = Kind::SingleByte;
    QByteArray m_codecName;
    std::array<QChar, 256> m_table{};
    std::array<bool, 256> m_lead{};
    std::vector<char16_t> m_pairs;  // lead << 8 | trail, for double-byte pages
};
