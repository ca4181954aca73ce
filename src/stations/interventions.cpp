#include "stations/interventions.h"

#include "base/locale.h"
#include "db/accesbase.h"
#include "db/dialect.h"
#include "db/sqltext.h"
#include "session/session.h"

#include <QCollator>
#include <QMap>

#include <algorithm>

namespace plx {

namespace {

QDate dateOf(const QVariant &value)
{
    return value.isNull() ? QDate() : value.toDateTime().date();
}

QTime timeOf(const QVariant &value)
{
    return value.isNull() ? QTime() : value.toDateTime().time();
}

// A contact is shown by its name, else its company.
QString contactName(const QString &nom, const QString &raisonSociale)
{
    return nom.trimmed().isEmpty() ? raisonSociale.trimmed() : nom.trimmed();
}

} // namespace

QString interventionListQuery(const InterventionFilter &filter)
{
    QStringList conditions;
    if (filter.from)
        conditions << QStringLiteral("EVENEMENTS_PLUVIO.DateEvenement >= ") +
                          FormatDateSQL(formatDate(*filter.from), false);
    // Below the next day: a row of the last day that carries a time still counts.
    if (filter.to)
        conditions << QStringLiteral("EVENEMENTS_PLUVIO.DateEvenement < ") +
                          FormatDateSQL(formatDate(filter.to->addDays(1)), false);
    if (!filter.stations.empty()) {
        QStringList codes;
        for (const qlonglong code : filter.stations)
            codes << sqlNumber(code);
        conditions << QStringLiteral("EVENEMENTS_PLUVIO.CodePluviometre IN (") +
                          codes.join(QLatin1Char(',')) + QLatin1Char(')');
    }
    if (!filter.type.trimmed().isEmpty())
        conditions << QStringLiteral("ucase(EVENEMENTS_PLUVIO.type) = ucase(") +
                          sqlQuote(filter.type.trimmed()) + QLatin1Char(')');
    const QString scope = session().stationScopeCondition();
    if (!scope.isEmpty())
        conditions << QLatin1Char('(') + scope + QLatin1Char(')');
    QString sql = QStringLiteral(
        "SELECT EVENEMENTS_PLUVIO.CodePluviometre, PLUVIOMETRES.Nom, PLUVIOMETRES.Identifiant, "
        "COMMUNES.Nom, EVENEMENTS_PLUVIO.Numero, EVENEMENTS_PLUVIO.DateEvenement, "
        "EVENEMENTS_PLUVIO.heureEvenement, EVENEMENTS_PLUVIO.type, CONTACTS.Nom, "
        "CONTACTS.RaisonSocial, EVENEMENTS_PLUVIO.probleme, EVENEMENTS_PLUVIO.solution, "
        "EVENEMENTS_PLUVIO.Commentaires, EVENEMENTS_PLUVIO.dateCloture FROM "
        "((EVENEMENTS_PLUVIO INNER JOIN PLUVIOMETRES ON EVENEMENTS_PLUVIO.CodePluviometre = "
        "PLUVIOMETRES.CodePluviometre) LEFT JOIN COMMUNES ON PLUVIOMETRES.CodeCommune = "
        "COMMUNES.CodeCommune) LEFT JOIN CONTACTS ON EVENEMENTS_PLUVIO.codeContact = "
        "CONTACTS.CodeContact");
    if (!conditions.isEmpty())
        sql += QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
    return sql;
}

InterventionLoad loadInterventions(AccesBase &db, const InterventionFilter &filter)
{
    InterventionLoad load;
    const RecordTable t = db.ExtraireRecords(interventionListQuery(filter));
    if (!t.ok()) {
        load.error = t.error();
        return load;
    }
    load.rows.reserve(size_t(t.rowCount()));
    for (int r = 0; r < t.rowCount(); ++r) {
        InterventionRow row;
        row.station = qlonglong(t.at(r, 0).toDouble());
        row.stationName = t.text(r, 1).trimmed();
        row.identifiant = t.text(r, 2).trimmed();
        row.commune = t.text(r, 3).trimmed();
        row.numero = int(t.at(r, 4).toDouble());
        row.date = dateOf(t.at(r, 5));
        row.time = timeOf(t.at(r, 6));
        row.type = t.text(r, 7).trimmed();
        row.intervenant = contactName(t.text(r, 8), t.text(r, 9));
        row.probleme = t.text(r, 10).trimmed();
        row.solution = t.text(r, 11).trimmed();
        row.commentaires = t.text(r, 12).trimmed();
        row.cloture = dateOf(t.at(r, 13));
        load.rows.push_back(std::move(row));
    }
    // Sorted here rather than in SQL: the engines disagree on where undated rows go.
    std::stable_sort(load.rows.begin(), load.rows.end(),
                     [](const InterventionRow &a, const InterventionRow &b) {
                         if (a.date != b.date)
                             return a.date.isValid() && (!b.date.isValid() || a.date > b.date);
                         if (a.time != b.time)
                             return a.time.isValid() && (!b.time.isValid() || a.time > b.time);
                         if (a.station != b.station)
                             return a.station < b.station;
                         return a.numero > b.numero;
                     });
    load.ok = true;
    return load;
}

QStringList interventionTypes(AccesBase &db)
{
    const RecordTable t = db.ExtraireRecords(QStringLiteral(
        "SELECT type, count(*) FROM EVENEMENTS_PLUVIO WHERE type IS NOT NULL GROUP BY type"));
    // Spellings that differ only by case are one kind, shown as most rows spell it (the
    // engines list them in different orders, so ties go to the first in code order).
    QMap<QString, std::pair<QString, qlonglong>> kinds;
    for (int r = 0; t.ok() && r < t.rowCount(); ++r) {
        const QString type = t.text(r, 0).trimmed();
        if (type.isEmpty())
            continue;
        const qlonglong count = t.at(r, 1).toLongLong();
        auto &kind = kinds[type.toUpper()];
        if (kind.first.isEmpty() || count > kind.second ||
            (count == kind.second && type < kind.first))
            kind = {type, count};
    }
    QStringList types;
    for (const auto &kind : std::as_const(kinds))
        types << kind.first;
    QCollator collator(QLocale(QLocale::French, QLocale::France));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(types.begin(), types.end(), collator);
    return types;
}

namespace {

// The row of SELECT * read by column name: older databases may lack the later columns.
class EventRow
{
public:
    explicit EventRow(const RecordTable &table) : m_table(table) {}
    QVariant value(const char *column) const
    {
        const int c = m_table.columnIndex(QLatin1String(column));
        return c < 0 || m_table.rowCount() == 0 ? QVariant() : m_table.at(0, c);
    }
    QString text(const char *column) const
    {
        const QVariant v = value(column);
        return v.isNull() ? QString() : v.toString().trimmed();
    }

private:
    const RecordTable &m_table;
};

bool isYes(const QVariant &value)
{
    if (value.isNull())
        return false;
    const QString text = value.toString().trimmed().toUpper();
    if (text == QLatin1String("O") || text == QLatin1String("OUI") ||
        text == QLatin1String("TRUE") || text == QLatin1String("T") || text == QLatin1String("Y"))
        return true;
    bool number = false;
    const double n = text.toDouble(&number);
    return number && n != 0;
}

QString numberText(const QVariant &value, const QString &unit = QString())
{
    bool ok = false;
    const double n = value.isNull() ? 0 : value.toString().toDouble(&ok);
    if (!ok)
        return QString();
    return unit.isEmpty() ? formatNumber(n) : formatNumber(n) + QChar(0x202F) + unit;
}

QString escaped(const QString &text)
{
    // Line breaks typed in a comment stay line breaks on paper.
    return text.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>"));
}

class ReportWriter
{
public:
    void heading(const QString &text)
    {
        closeTable();
        m_html += QStringLiteral("<h2>") + escaped(text) + QStringLiteral("</h2>");
    }
    void field(const QString &label, const QString &value)
    {
        if (value.trimmed().isEmpty())
            return;
        if (!m_inTable) {
            m_html += QStringLiteral("<table class=\"fields\" width=\"100%\" cellspacing=\"0\" "
                                     "cellpadding=\"4\">");
            m_inTable = true;
        }
        m_html += QStringLiteral("<tr><td class=\"label\" width=\"32%\">") + escaped(label) +
                  QStringLiteral("</td><td>") + escaped(value) + QStringLiteral("</td></tr>");
    }
    void paragraph(const QString &text)
    {
        closeTable();
        m_html += QStringLiteral("<p>") + escaped(text) + QStringLiteral("</p>");
    }
    void list(const QStringList &items)
    {
        closeTable();
        m_html += QStringLiteral("<ul>");
        for (const QString &item : items)
            m_html += QStringLiteral("<li>") + escaped(item) + QStringLiteral("</li>");
        m_html += QStringLiteral("</ul>");
    }
    void raw(const QString &html)
    {
        closeTable();
        m_html += html;
    }
    QString finish()
    {
        closeTable();
        return m_html;
    }

private:
    void closeTable()
    {
        if (m_inTable)
            m_html += QStringLiteral("</table>");
        m_inTable = false;
    }
    QString m_html;
    bool m_inTable = false;
};

const char *const kStyle =
    "<style>"
    "body { font-family: 'DejaVu Sans', Arial, sans-serif; font-size: 10pt; color: #202020; }"
    "h1 { font-size: 18pt; color: #1f4e79; margin-bottom: 2px; }"
    "h2 { font-size: 12pt; color: #1f4e79; border-bottom: 1px solid #1f4e79; margin-top: 14px; "
    "margin-bottom: 4px; }"
    "p.sub { font-size: 11pt; color: #404040; margin-top: 0px; }"
    "td.label { color: #505050; font-weight: bold; }"
    "p.foot { font-size: 8pt; color: #707070; margin-top: 18px; }"
    "</style>";

} // namespace

InterventionReport interventionReport(AccesBase &db, qlonglong station, int numero)
{
    InterventionReport report;
    const QString stationSql = sqlNumber(station);
    const RecordTable event = db.ExtraireRecords(
        QStringLiteral("SELECT * FROM EVENEMENTS_PLUVIO WHERE CodePluviometre=%1 AND Numero=%2")
            .arg(stationSql, sqlNumber(qint64(numero))));
    if (!event.ok()) {
        report.error = QStringLiteral("L'intervention n'a pas pu être lue : ") + event.error();
        return report;
    }
    if (event.rowCount() == 0) {
        report.error = QStringLiteral("L'intervention n° %1 du pluviomètre %2 n'existe pas ou "
                                      "n'est pas encore enregistrée.")
                           .arg(numero)
                           .arg(station);
        return report;
    }
    const RecordTable site = db.ExtraireRecords(
        QStringLiteral("SELECT PLUVIOMETRES.Nom, PLUVIOMETRES.Identifiant, PLUVIOMETRES.adresse, "
                       "COMMUNES.Nom, COMMUNES.NumDept, PLUVIOMETRES.X, PLUVIOMETRES.Y, "
                       "PLUVIOMETRES.Altitude FROM PLUVIOMETRES LEFT JOIN COMMUNES ON "
                       "PLUVIOMETRES.CodeCommune = COMMUNES.CodeCommune WHERE "
                       "PLUVIOMETRES.CodePluviometre=") +
        stationSql);
    if (!site.ok() || site.rowCount() == 0) {
        report.error = QStringLiteral("Le pluviomètre %1 n'a pas pu être lu. %2")
                           .arg(station)
                           .arg(site.error());
        return report;
    }
    const EventRow e(event);
    const QString name = site.text(0, 0).trimmed();

    QString intervenant;
    if (!e.value("codeContact").isNull()) {
        const RecordTable contact = db.ExtraireRecords(
            QStringLiteral("SELECT Nom, RaisonSocial FROM CONTACTS WHERE CodeContact=") +
            sqlNumber(qint64(e.value("codeContact").toDouble())));
        if (contact.ok() && contact.rowCount() > 0)
            intervenant = contactName(contact.text(0, 0), contact.text(0, 1));
    }

    ReportWriter w;
    report.title = QStringLiteral("Rapport d'intervention n° %1 - %2").arg(numero).arg(name);
    w.raw(QStringLiteral("<h1>Rapport d'intervention</h1><p class=\"sub\">") + escaped(name) +
          QStringLiteral(" &mdash; intervention n° ") + QString::number(numero) +
          QStringLiteral("</p>"));

    w.heading(QStringLiteral("Pluviomètre"));
    w.field(QStringLiteral("Code interne"), stationSql);
    w.field(QStringLiteral("Nom du site"), name);
    w.field(QStringLiteral("Identifiant"), site.text(0, 1).trimmed());
    const QString commune = site.text(0, 3).trimmed();
    const QString dept = site.text(0, 4).trimmed();
    w.field(QStringLiteral("Commune"),
            dept.isEmpty() || commune.isEmpty()
                ? commune
                : QString(commune + QStringLiteral(" (") + dept + QLatin1Char(')')));
    w.field(QStringLiteral("Adresse"), site.text(0, 2).trimmed());
    const QString x = numberText(site.at(0, 5));
    const QString y = numberText(site.at(0, 6));
    if (!x.isEmpty() && !y.isEmpty())
        w.field(QStringLiteral("Coordonnées (X ; Y)"), x + QStringLiteral(" ; ") + y);
    w.field(QStringLiteral("Altitude"), numberText(site.at(0, 7), QStringLiteral("m")));

    w.heading(QStringLiteral("Intervention"));
    const QDate date = dateOf(e.value("DateEvenement"));
    const QTime time = timeOf(e.value("heureEvenement"));
    QString when = date.isValid() ? formatDate(date) : QString();
    if (date.isValid() && time.isValid() && time != QTime(0, 0))
        when += QStringLiteral(" à ") + time.toString(QStringLiteral("HH:mm"));
    w.field(QStringLiteral("Date"), when);
    w.field(QStringLiteral("Type"), e.text("type"));
    const QDate start = dateOf(e.value("dateDebut"));
    const QDate end = dateOf(e.value("dateFin"));
    if (start.isValid() || end.isValid())
        w.field(QStringLiteral("Période"), (start.isValid() ? formatDate(start) : QString()) +
                                               QStringLiteral(" – ") +
                                               (end.isValid() ? formatDate(end) : QString()));
    const QDate cloture = dateOf(e.value("dateCloture"));
    w.field(QStringLiteral("Clôture"), cloture.isValid() ? formatDate(cloture) : QString());
    w.field(QStringLiteral("Intervenant"), intervenant);
    const QString login = e.text("loginMaj");
    const QDate stamped = dateOf(e.value("dateMaj"));
    if (!login.isEmpty())
        w.field(QStringLiteral("Saisie par"),
                stamped.isValid() ? QString(login + QStringLiteral(", le ") + formatDate(stamped))
                                  : login);

    const QString probleme = e.text("probleme");
    if (!probleme.isEmpty()) {
        w.heading(QStringLiteral("Constat"));
        w.paragraph(probleme);
    }

    QStringList actions;
    const QString solution = e.text("solution");
    const std::pair<const char *, const char *> tasks[] = {
        {"ChgtPiles", "Changement des piles"},
        {"razStation", "Remise à zéro de la station"},
        {"downloadData", "Téléchargement des données"},
        {"testTransmission", "Test de la transmission"},
        {"majAlimTransmission", "Alimentation de la transmission remise à niveau"},
        {"majAlimentationCapteur", "Alimentation du capteur remise à niveau"},
        {"majRecalibration", "Recalibration du capteur"},
        {"dessicantRemplace", "Dessiccant remplacé"},
        {"jointsTorriquesRemplaces", "Joints toriques remplacés"},
        {"majFirmware", "Mise à jour du micrologiciel"},
        {"Graphique", "Graphique contrôlé"},
        {"exportBanque", "Données exportées vers la banque"},
    };
    for (const auto &[column, label] : tasks) {
        if (isYes(e.value(column)))
            actions << QString::fromUtf8(label);
    }
    const RecordTable coded = db.ExtraireRecords(
        QStringLiteral("SELECT idAction, codeProbleme, codeSolution FROM EVT_PLUVIO_ACTIONS WHERE "
                       "codePluvio=%1 AND numero=%2 ORDER BY idAction")
            .arg(stationSql, sqlNumber(qint64(numero))));
    for (int r = 0; coded.ok() && r < coded.rowCount(); ++r) {
        QStringList parts;
        if (!coded.at(r, 1).isNull())
            parts << QStringLiteral("problème code ") + coded.text(r, 1);
        if (!coded.at(r, 2).isNull())
            parts << QStringLiteral("solution code ") + coded.text(r, 2);
        if (!parts.isEmpty())
            actions << QStringLiteral("Action ") + coded.text(r, 0) + QStringLiteral(" : ") +
                           parts.join(QStringLiteral(", "));
    }
    if (!solution.isEmpty() || !actions.isEmpty()) {
        w.heading(QStringLiteral("Actions"));
        if (!solution.isEmpty())
            w.paragraph(solution);
        if (!actions.isEmpty())
            w.list(actions);
    }

    const std::pair<const char *, QString> measures[] = {
        {"Tension de la batterie", numberText(e.value("Volt"), QStringLiteral("V"))},
        {"Tension du capteur", numberText(e.value("voltCapteur"), QStringLiteral("V"))},
        {"NC", numberText(e.value("NC"))},
        {"Valeur calée", numberText(e.value("valeurCalee"))},
        {"Température de la sonde", numberText(e.value("temperatureSonde"), QStringLiteral("°C"))},
        {"Température de la centrale",
         numberText(e.value("temperatureCentrale"), QStringLiteral("°C"))},
        {"Pile de transmission remplacée le",
         dateOf(e.value("dateRemplacementPileTransmission")).isValid()
             ? formatDate(dateOf(e.value("dateRemplacementPileTransmission")))
             : QString()},
        {"Pile du capteur remplacée le",
         dateOf(e.value("dateRemplacementPileCapteur")).isValid()
             ? formatDate(dateOf(e.value("dateRemplacementPileCapteur")))
             : QString()},
    };
    bool anyMeasure = false;
    for (const auto &[label, value] : measures)
        anyMeasure = anyMeasure || !value.isEmpty();
    if (anyMeasure) {
        w.heading(QStringLiteral("Relevés"));
        for (const auto &[label, value] : measures)
            w.field(QString::fromUtf8(label), value);
    }

    const QString comments = e.text("Commentaires");
    if (!comments.isEmpty()) {
        w.heading(QStringLiteral("Commentaires"));
        w.paragraph(comments);
    }
    w.raw(QStringLiteral("<p class=\"foot\">Édité le ") + formatDate(QDate::currentDate()) +
          QStringLiteral("</p>"));

    report.html = QStringLiteral("<html><head><meta charset=\"utf-8\">") +
                  QString::fromUtf8(kStyle) + QStringLiteral("</head><body>") + w.finish() +
                  QStringLiteral("</body></html>");
    report.ok = true;
    return report;
}

} // namespace plx
