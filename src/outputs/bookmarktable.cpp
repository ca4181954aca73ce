#include "outputs/bookmarktable.h"

#include "outputs/bookmarkvocabulary.h"

namespace plx {

void BookmarkTable::add(const QString &name, const QString &value, bool numeric)
{
    if (name.isEmpty() || find(name))
        return;
    m_entries.push_back({name, value, numeric});
}

const Bookmark *BookmarkTable::find(const QString &name) const
{
    for (const Bookmark &entry : m_entries) {
        if (entry.name == name)
            return &entry;
    }
    return nullptr;
}

const Bookmark *BookmarkTable::resolve(const QString &templateName) const
{
    if (const Bookmark *exact = find(templateName))
        return exact;
    // Word keeps the case a bookmark was typed with; a marker may be typed in lower case.
    const QString name = templateName.toUpper();
    for (const Bookmark &entry : m_entries) {
        if (entry.name.compare(name, Qt::CaseInsensitive) == 0)
            return &entry;
    }
    if (name.contains(QLatin1String("PROF")))
        return nullptr;
    const QString word = vocabularyWordOf(name);
    return word.isEmpty() ? nullptr : find(word);
}

} // namespace plx
