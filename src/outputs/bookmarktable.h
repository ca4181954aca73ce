#pragma once

#include <QString>

#include <vector>

namespace plx {

// The values a report template is filled with: ordered (name, value) pairs collected
// about one station. A value the collector reads from a numeric column is marked numeric,
// so that a spreadsheet receives a number; every other value stays text (a commune code
// "01053" keeps its leading zero).
struct Bookmark
{
    QString name;
    QString value;
    bool numeric = false;
};

class BookmarkTable
{
public:
    // Appends a pair; a name already present keeps its first value.
    void add(const QString &name, const QString &value, bool numeric = false);
    // The pair of exactly that name; nullptr when absent.
    const Bookmark *find(const QString &name) const;
    // The value a template's bookmark or marker receives. A template may use a name
    // several times with a suffix (bookmark names are unique in a document): the exact
    // name first, else the longest word of the vocabulary that begins the name
    // ("C_COMMUNE2" is C_COMMUNE, not the intervener family C_; "COMMUNE_DEC" is not
    // COMMUNE). Names containing "PROF" and the family prefixes (NET_, INTER_...,
    // COORDONNEE_X_...) are looked up whole. nullptr when nothing matches.
    const Bookmark *resolve(const QString &templateName) const;
    const std::vector<Bookmark> &entries() const { return m_entries; }
    bool isEmpty() const { return m_entries.empty(); }

private:
    std::vector<Bookmark> m_entries;
};

} // namespace plx
