#pragma once

#include <QString>

#include <cstdint>

// The large documents the benchmarks work on, made on the first run and kept
// in bench-data/ beside the program (or the folder $PERGALOT_BENCH_DATA
// names), so every machine measures the same bytes.
namespace BenchDocuments {

// A fixed-seed generator, so every machine gets the same documents.
class Random
{
public:
    explicit Random(std::uint64_t seed) : m_state(seed) { }
    int below(int n)
    {
        m_state ^= m_state >> 12;
        m_state ^= m_state << 25;
        m_state ^= m_state >> 27;
        return int((m_state * 0x2545F4914F6CDD1DULL) >> 33) % n;
    }
    bool chance(int percent) { return below(100) < percent; }

private:
    std::uint64_t m_state;
};

// A Russian (or English) word from a fixed list.
QString word(Random& random, bool russian);

// The folder the documents are kept in, made if need be.
QString dataFolder();
bool writeFile(const QString& path, const QByteArray& bytes);

// libreoffice.rtf: about 18 MB written by LibreOffice (soffice --convert-to
// rtf) from generated HTML of 2.7 M Russian and English characters with
// bold, italic, underline, colour and alignment. Empty, with the reason in
// error, when soffice could not make it.
QString libreOfficeRtf(QString* error);

} // namespace BenchDocuments
