#pragma once

#include <QByteArray>
#include <QVariant>

#include <cstring>
#include <vector>

namespace plx {

// Rows read one by one often repeat the cell above (the same day, the same validity code):
// such a cell shares the value already built for it instead of parsing its text again.
class RepeatedCells
{
public:
    // Texts up to longest bytes are remembered; longer ones are always converted.
    RepeatedCells(int columns, int longest)
        : m_longest(longest), m_text(size_t(columns)), m_length(size_t(columns), -1),
          m_value(size_t(columns))
    {
    }

    // value = the value of column's text: the one above when the text is the same, else
    // convert(), remembered for the next row.
    template <typename Convert>
    void assign(int column, const char *text, int length, QVariant &value, Convert convert)
    {
        const size_t i = size_t(column);
        if (length == m_length[i] &&
            std::memcmp(m_text[i].constData(), text, size_t(length)) == 0) {
            value = m_value[i];
            return;
        }
        value = convert();
        if (length > m_longest) {
            m_length[i] = -1;
            return;
        }
        m_text[i].resize(length);
        std::memcpy(m_text[i].data(), text, size_t(length));
        m_length[i] = length;
        m_value[i] = value;
    }

private:
    int m_longest;
    std::vector<QByteArray> m_text;
    std::vector<int> m_length; // -1: nothing remembered
    std::vector<QVariant> m_value;
};

} // namespace plx
