#include "charts/classe_graphiques.h"

namespace plx {

Classe_Graphiques::Classe_Graphiques()
{
    m_options.load();
}

Classe_Graphique *Classe_Graphiques::at(qint16 position)
{
    return position >= 1 && position <= m_curves.size() ? &m_curves[position - 1] : nullptr;
}

const Classe_Graphique *Classe_Graphiques::GetCourbe(qint16 position) const
{
    return position >= 1 && position <= m_curves.size() ? &m_curves.at(position - 1) : nullptr;
}

void Classe_Graphiques::AjouterValeurs(qint16 position, const QVariant &values)
{
    if (Classe_Graphique *curve = at(position))
        curve->AjouterValeurs(values);
}

qint16 Classe_Graphiques::noCourbe(const QString &key) const
{
    for (qsizetype i = 0; i < m_curves.size(); ++i) {
        if (m_curves.at(i).key == key)
            return qint16(i + 1);
    }
    return -1;
}

void Classe_Graphiques::MajAfficher(qint16 position, bool shown)
{
    if (Classe_Graphique *curve = at(position))
        curve->shown = shown;
}

void Classe_Graphiques::MajTitre(qint16 position, const QString &title)
{
    if (Classe_Graphique *curve = at(position))
        curve->title = title;
}

void Classe_Graphiques::MajPattern(qint16 position, qint16 pattern)
{
    if (Classe_Graphique *curve = at(position))
        curve->pattern = pattern;
}

void Classe_Graphiques::MajSymbol(qint16 position, qint16 symbol)
{
    if (Classe_Graphique *curve = at(position))
        curve->symbol = symbol;
}

bool Classe_Graphiques::SupprimerCourbe(qint16 position)
{
    if (!at(position))
        return false;
    m_curves.removeAt(position - 1);
    return true;
}

} // namespace plx
