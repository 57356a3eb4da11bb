#pragma once

// Reading the lines and words of a text mesh file where they lie, as the mesh
// library's readers take them. Shared by the checks of ASCII STL and OBJ.

#include <QtGlobal>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>

namespace MeshFileText
{
// The characters the readers' streams skip between words.
inline bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The whitespace-separated words of one line, read where they lie.
class Words
{
public:
    Words(const char* pBegin, const char* pEnd) : m_p(pBegin), m_pEnd(pEnd) {}

    bool next(std::string_view& word)
    {
        while (m_p != m_pEnd && isSpace(*m_p))
        {
            ++m_p;
        }
        if (m_p == m_pEnd)
        {
            return false;
        }
        const char* pStart = m_p;
        while (m_p != m_pEnd && !isSpace(*m_p))
        {
            ++m_p;
        }
        word = std::string_view(pStart, std::size_t(m_p - pStart));
        return true;
    }

    bool atEnd()
    {
        std::string_view rest;
        Words copy = *this;
        return !copy.next(rest);
    }

private:
    const char* m_p;
    const char* m_pEnd;
};

// Calls visit(begin, end) for each line (without its '\n') until it returns
// false; true when every line was accepted.
template <typename Char, typename Visit>
bool forEachLine(Char* pData, std::size_t nSize, Visit visit)
{
    Char* pLine = pData;
    Char* const pEnd = pData + nSize;
    while (pLine < pEnd)
    {
        Char* pBreak = static_cast<Char*>(std::memchr(pLine, '\n', std::size_t(pEnd - pLine)));
        Char* pLineEnd = pBreak ? pBreak : pEnd;
        if (!visit(pLine, pLineEnd))
        {
            return false;
        }
        pLine = pLineEnd + 1;
    }
    return true;
}

inline bool equalsIgnoringCase(std::string_view word, std::string_view keyword)
{
    if (word.size() != keyword.size())
    {
        return false;
    }
    for (std::size_t i = 0; i < word.size(); ++i)
    {
        const char c = word[i] >= 'A' && word[i] <= 'Z' ? char(word[i] - 'A' + 'a') : word[i];
        if (c != keyword[i])
        {
            return false;
        }
    }
    return true;
}

// Drops one leading '+', which the readers' streams accept and from_chars
// does not; "+-1" stays unreadable.
inline std::string_view withoutPlus(std::string_view word)
{
    if (word.size() > 1 && word[0] == '+' && word[1] != '-')
    {
        word.remove_prefix(1);
    }
    return word;
}

// A whole word that the readers take as a single-precision coordinate: a
// finite decimal number no larger than the largest float (a larger one makes
// the stream fail and leaves the value unset). The bits of the float go to
// nBits.
inline bool readCoordinate(std::string_view word, quint32& nBits)
{
    word = withoutPlus(word);
    const char* pEnd = word.data() + word.size();
    double dValue = 0.0;
    const auto result = std::from_chars(word.data(), pEnd, dValue);
    const float fValue = float(dValue);
    std::memcpy(&nBits, &fValue, sizeof(fValue));
    return result.ec == std::errc() && result.ptr == pEnd && std::isfinite(dValue) &&
           std::fabs(dValue) <= double(std::numeric_limits<float>::max());
}
} // namespace MeshFileText
