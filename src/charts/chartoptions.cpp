#include "charts/chartoptions.h"

namespace plx {

namespace {

QStringList fromUtf8(std::initializer_list<const char *> texts)
{
    QStringList list;
    for (const char *text : texts)
        list << QString::fromUtf8(text);
    return list;
}

} // namespace

QString parameterDigits(const ParameterChecks &checked)
{
    QString digits;
    for (int i = 0; i < kChartParameters; ++i) {
        if (checked[size_t(i)])
            digits += QChar(u'1' + i);
    }
    return digits;
}

QStringList parameterCaptions()
{
    return {QStringLiteral("Pluie"),       QStringLiteral("Pluie efficace"),
            QStringLiteral("Etp"),         QStringLiteral("Paramètre 1"),
            QStringLiteral("Paramètre 2"), QStringLiteral("Paramètre 3")};
}

QStringList horizonCaptions()
{
    return fromUtf8(
        {"Sans regroupement", "Décade", "Mois", "Trimestre", "Année civile", "Année Hydrologique"});
}

QString horizonCode(int choice)
{
    static const QString codes = QStringLiteral("SDMTAH");
    return choice >= 0 && choice < codes.size() ? QString(codes.at(choice)) : QString();
}

QStringList chronicleVisualisationCaptions()
{
    return fromUtf8({"Histogramme", "Courbe", "Cumul"});
}

ChartProperties chronicleProperties(ChartProperties current, const ParameterChecks &checked,
                                    int horizon, int visualisation)
{
    current.typeEdition = QStringLiteral("EDITION");
    current.parametres = parameterDigits(checked);
    if (const QString code = horizonCode(horizon); !code.isEmpty())
        current.horizon = code;
    // "Cumul" draws cumulated bars; no choice draws plain bars.
    current.visualisation = visualisation == 1 ? QStringLiteral("COURBE") : QStringLiteral("HISTO");
    current.cumul = visualisation == 2;
    return current;
}

QStringList yearlyModeCaptions()
{
    return fromUtf8(
        {"Comparaison statistiques", "Cumuls mensuels comparés", "Comparaison annuelle"});
}

QStringList yearTypeCaptions()
{
    return fromUtf8({"Civile", "Hydro"});
}

QStringList yearlyVisualisationCaptions()
{
    return fromUtf8({"Histogramme", "Courbe", "Histogramme cumulé", "Courbe cumulée"});
}

ChartProperties yearlyProperties(ChartProperties current, int mode, int yearType, int visualisation,
                                 int parameter)
{
    const bool hydro = yearType == kHydroYear;
    const bool yearChosen = yearType == kCivilYear || hydro;
    if (mode == kStatisticsMode) {
        current.typeEdition = QStringLiteral("EDITION");
        if (visualisation >= 0 && visualisation <= 3) {
            current.visualisation =
                visualisation % 2 == 1 ? QStringLiteral("COURBE") : QStringLiteral("HISTO");
            current.cumul = visualisation >= 2;
        } else {
            // No choice: bars, the cumulation as it was.
            current.visualisation = QStringLiteral("HISTO");
        }
        if (yearChosen)
            current.horizon = hydro ? QStringLiteral("H") : QStringLiteral("M");
    } else if (mode == kMonthlyCumulMode || mode == kYearlyCumulMode) {
        current.typeEdition = mode == kMonthlyCumulMode ? QStringLiteral("CUMUL_MENSUEL")
                                                        : QStringLiteral("CUMUL_ANNUEL");
        // The cumulations' horizon is the year.
        if (yearChosen)
            current.horizon = hydro ? QStringLiteral("H") : QStringLiteral("A");
        current.visualisation = QStringLiteral("HISTO");
    }
    if (parameter >= 0 && parameter < kChartParameters)
        current.parametres = QString(QChar(u'1' + parameter));
    return current;
}

const std::vector<CurveBox> &statisticsBoxes()
{
    static const std::vector<CurveBox> boxes{
        {"ChkAnnee", "Année sélectionnée", 1},
        {"ChkEnveloppeMini", "Enveloppe mini", 2},
        {"ChkEnveloppeMoyenne", "Enveloppe moyenne", 3},
        {"ChkEnveloppeMaxi", "Enveloppe maxi", 4},
        {"ChkQuintile1", "Quintile 1", 5},
        {"ChkQuintile2", "Quintile 2", 6},
        {"ChkQuintile3", "Quintile 3", 7},
        {"ChkQuintile4", "Quintile 4", 8},
        {"ChkMediane", "Médiane", 9},
        {"ChkNormales", "Normales Météo FRance", 10},
    };
    return boxes;
}

const std::vector<CurveBox> &monthBoxes()
{
    static const std::vector<CurveBox> boxes{
        {"ChkJanvier", "Janvier", 1},
        {"ChkFevrier", "Février", 2},
        {"ChkMars", "Mars", 3},
        {"ChkAvril", "Avril", 4},
        {"ChkMai", "Mai", 5},
        {"ChkJuin", "Juin", 6},
        {"ChkJuillet", "Juillet", 7},
        {"ChkAout", "Août", 8},
        {"ChkSeptembre", "Septembre", 9},
        {"ChkOctobre", "Octobre", 10},
        {"ChkNovembre", "Novembre", 11},
        {"ChkDecembre", "Décembre", 12},
    };
    return boxes;
}

QStringList yearbookModeCaptions()
{
    return fromUtf8({"Comparaison statistiques", "Cumuls mensuels comparés"});
}

ChartProperties yearbookProperties(ChartProperties current, int mode, int yearType,
                                   int visualisation, int parameter)
{
    if (mode == kStatisticsMode)
        return yearlyProperties(current, mode, yearType, visualisation, parameter);
    if (mode == kMonthlyCumulMode) {
        current.typeEdition = QStringLiteral("CUMUL_MENSUEL");
        current.parametres = QStringLiteral("1");
        current.horizon = QStringLiteral("M");
        current.visualisation = QStringLiteral("HISTO");
    }
    if (parameter >= 0 && parameter < kChartParameters)
        current.parametres = QString(QChar(u'1' + parameter));
    return current;
}

const std::vector<CurveBox> &yearbookCumulBoxes()
{
    static const std::vector<CurveBox> boxes{
        {"ChkCumulAnnee", "Cumuls de l'année", 1},
        {"ChkCumulMoyen", "Moyennes mensuelles cumulées", 2},
    };
    return boxes;
}

QStringList normalsHorizonCaptions()
{
    return fromUtf8({"Mois", "Année Hydro", "Année civile"});
}

QString normalsHorizonCode(int choice)
{
    static const QString codes = QStringLiteral("MHA");
    return choice >= 0 && choice < codes.size() ? QString(codes.at(choice)) : QString();
}

QStringList normalsVisualisationCaptions()
{
    return fromUtf8({"Normales Météo France", "Statistiques internes"});
}

ChartProperties normalsProperties(ChartProperties current, int horizon, int parameter)
{
    current.typeEdition = QStringLiteral("EDITION");
    current.parametres.clear();
    if (const QString code = normalsHorizonCode(horizon); !code.isEmpty())
        current.horizon = code;
    if (parameter >= 0 && parameter < kChartParameters)
        current.parametres = QString(QChar(u'1' + parameter));
    current.visualisation = QStringLiteral("HISTO");
    current.cumul = false;
    return current;
}

int monthRank(int month, int startMonth, bool hydro)
{
    if (!hydro || startMonth < 1 || startMonth > 12)
        return month;
    return month >= startMonth ? month - startMonth + 1 : 12 - (startMonth - month) + 1;
}

int startMonthNumber(const QString &month)
{
    bool ok = false;
    const int number = month.trimmed().toInt(&ok);
    return ok && number >= 1 && number <= 12 ? number : 9;
}

} // namespace plx
