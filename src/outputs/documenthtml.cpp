#include "outputs/documenttemplate.h"

#include "outputs/xmltree.h"
#include "outputs/zippackage.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QUrl>

#include <map>

namespace plx {

namespace {

QString esc(const QString &text)
{
    return text.toHtmlEscaped();
}

const char kPageStyle[] =
    "body{font-family:'Liberation Sans',Arial,Helvetica,sans-serif;max-width:18cm;"
    "margin:1.5em auto;padding:0 1em;line-height:1.35;color:#222}"
    "table{border-collapse:collapse;margin:.6em auto}"
    "td,th{border:1px solid #999;padding:2px 6px;font-size:90%;vertical-align:middle}"
    "th{font-weight:bold}td p,th p{margin:0}img{max-width:100%;height:auto}";

// What a page is made of, whichever format it comes from.
class HtmlPage
{
public:
    HtmlPage(const ZipPackage &package, const QString &htmlPath) : m_package(package)
    {
        const QFileInfo info(htmlPath);
        m_folderName = info.completeBaseName() + QStringLiteral("_fichiers");
        m_folder = info.dir().filePath(m_folderName);
    }

    // Copies a package entry beside the page; the relative address, "" when it fails.
    QString picture(const QString &entry)
    {
        const QByteArray data = m_package.data(entry);
        if (data.isEmpty() || !QDir().mkpath(m_folder))
            return {};
        QString ext = QFileInfo(entry).suffix().toLower();
        if (ext.isEmpty())
            ext = QStringLiteral("png");
        const QString name = QStringLiteral("image%1.%2").arg(++m_pictures).arg(ext);
        QSaveFile file(QDir(m_folder).filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit())
            return {};
        return QString::fromUtf8(QUrl::toPercentEncoding(m_folderName)) + QLatin1Char('/') + name;
    }

    QString body;

private:
    const ZipPackage &m_package;
    QString m_folder;
    QString m_folderName;
    int m_pictures = 0;
};

// Runs of the same formatting side by side read as one.
QString merged(QString html)
{
    for (const char *tag : {"strong", "em", "u"}) {
        const QString t = QLatin1String(tag);
        html.replace(QStringLiteral("</") + t + QStringLiteral("><") + t + QLatin1Char('>'),
                     QString());
    }
    return html;
}

QString styleAttribute(const QStringList &declarations)
{
    return declarations.isEmpty() ? QString()
                                  : QStringLiteral(" style=\"") +
                                        declarations.join(QLatin1Char(';')) + QLatin1Char('"');
}

// ---- Word documents ----

class DocxToHtml
{
public:
    DocxToHtml(const ZipPackage &package, HtmlPage &page) : m_package(package), m_page(page) {}

    bool run(QString *error)
    {
        QString mainPart = QStringLiteral("word/document.xml");
        XmlDocument types;
        if (parseXml(m_package.data(QStringLiteral("[Content_Types].xml")), &types)) {
            for (XmlNode *o : types.root()->childElements()) {
                if (o->attribute(QStringLiteral("ContentType"))
                        .endsWith(QLatin1String(".main+xml")) &&
                    o->attribute(QStringLiteral("ContentType"))
                        .contains(QLatin1String("wordprocessingml")))
                    mainPart = o->attribute(QStringLiteral("PartName")).mid(1);
            }
        }
        XmlDocument doc;
        if (!parseXml(m_package.data(mainPart), &doc, error))
            return false;
        XmlNode *root = doc.root();
        w = root->prefixFor(
            QStringLiteral("http://schemas.openxmlformats.org/wordprocessingml/2006/main"),
            QStringLiteral("w:"));
        m_folder = mainPart.left(mainPart.lastIndexOf(QLatin1Char('/')) + 1);
        readRelationships(m_folder + QStringLiteral("_rels/") + mainPart.mid(m_folder.size()) +
                          QStringLiteral(".rels"));
        readStyles(m_folder + QStringLiteral("styles.xml"));
        XmlNode *body = root->child(w + QStringLiteral("body"));
        if (!body) {
            *error = QStringLiteral("le corps du document manque");
            return false;
        }
        blocks(body, m_page.body);
        return true;
    }

private:
    struct ParagraphStyle
    {
        int heading = 0;
        bool bold = false;
        bool italic = false;
        QString basedOn;
    };

    void readRelationships(const QString &part)
    {
        XmlDocument rels;
        if (!parseXml(m_package.data(part), &rels))
            return;
        for (XmlNode *r : rels.root()->childElements()) {
            QString target = r->attribute(QStringLiteral("Target"));
            if (!target.startsWith(QLatin1Char('/')))
                target = m_folder + target;
            else
                target = target.mid(1);
            m_targets[r->attribute(QStringLiteral("Id"))] = QDir::cleanPath(target);
        }
    }

    void readStyles(const QString &part)
    {
        XmlDocument styles;
        if (!parseXml(m_package.data(part), &styles))
            return;
        static const QRegularExpression heading(QStringLiteral("^(heading|titre)\\s*([1-6])$"),
                                                QRegularExpression::CaseInsensitiveOption);
        for (XmlNode *s : styles.root()->childElements(w + QStringLiteral("style"))) {
            ParagraphStyle style;
            const QString id = s->attribute(w + QStringLiteral("styleId"));
            XmlNode *name = s->child(w + QStringLiteral("name"));
            const auto byName =
                heading.match(name ? name->attribute(w + QStringLiteral("val")) : QString());
            const auto byId = heading.match(id);
            if (byName.hasMatch())
                style.heading = byName.captured(2).toInt();
            else if (byId.hasMatch())
                style.heading = byId.captured(2).toInt();
            if (XmlNode *pPr = s->child(w + QStringLiteral("pPr"))) {
                if (XmlNode *level = pPr->child(w + QStringLiteral("outlineLvl"))) {
                    const int l = level->attribute(w + QStringLiteral("val")).toInt() + 1;
                    if (l >= 1 && l <= 6)
                        style.heading = l;
                }
            }
            if (XmlNode *rPr = s->child(w + QStringLiteral("rPr"))) {
                style.bold = on(rPr->child(w + QStringLiteral("b")));
                style.italic = on(rPr->child(w + QStringLiteral("i")));
            }
            if (XmlNode *based = s->child(w + QStringLiteral("basedOn")))
                style.basedOn = based->attribute(w + QStringLiteral("val"));
            m_styles[id] = style;
        }
    }

    bool on(const XmlNode *toggle) const
    {
        if (!toggle)
            return false;
        const QString v = toggle->attribute(w + QStringLiteral("val"), QStringLiteral("1"));
        return v != QLatin1String("0") && v != QLatin1String("false") && v != QLatin1String("none");
    }

    int headingOf(QString id) const
    {
        static const QRegularExpression heading(QStringLiteral("^(heading|titre)([1-6])$"),
                                                QRegularExpression::CaseInsensitiveOption);
        for (int depth = 0; depth < 10 && !id.isEmpty(); ++depth) {
            const auto s = m_styles.find(id);
            if (s == m_styles.end()) {
                // A document without its styles part still names its headings.
                const auto m = heading.match(id);
                return m.hasMatch() ? m.captured(2).toInt() : 0;
            }
            if (s->second.heading)
                return s->second.heading;
            id = s->second.basedOn;
        }
        return 0;
    }

    void blocks(XmlNode *container, QString &out)
    {
        for (XmlNode *c : container->childElements()) {
            const QString local = c->localName();
            if (local == QLatin1String("p"))
                paragraph(c, out);
            else if (local == QLatin1String("tbl"))
                table(c, out);
            else if (local == QLatin1String("sdt"))
                if (XmlNode *content = c->child(w + QStringLiteral("sdtContent")))
                    blocks(content, out);
        }
    }

    void paragraph(XmlNode *p, QString &out)
    {
        int level = 0;
        QStringList css;
        if (XmlNode *pPr = p->child(w + QStringLiteral("pPr"))) {
            if (XmlNode *style = pPr->child(w + QStringLiteral("pStyle")))
                level = headingOf(style->attribute(w + QStringLiteral("val")));
            if (XmlNode *jc = pPr->child(w + QStringLiteral("jc"))) {
                const QString v = jc->attribute(w + QStringLiteral("val"));
                if (v == QLatin1String("center"))
                    css << QStringLiteral("text-align:center");
                else if (v == QLatin1String("right") || v == QLatin1String("end"))
                    css << QStringLiteral("text-align:right");
                else if (v == QLatin1String("both"))
                    css << QStringLiteral("text-align:justify");
            }
        }
        const QString tag = level ? QStringLiteral("h%1").arg(level) : QStringLiteral("p");
        QString inner;
        inlines(p, inner);
        out += QLatin1Char('<') + tag + styleAttribute(css) + QLatin1Char('>') +
               (inner.isEmpty() ? QStringLiteral("&nbsp;") : merged(inner)) + QStringLiteral("</") +
               tag + QStringLiteral(">\n");
    }

    void inlines(XmlNode *container, QString &out)
    {
        for (XmlNode *c : container->childElements()) {
            const QString local = c->localName();
            if (local == QLatin1String("r"))
                run(c, out);
            else if (local == QLatin1String("hyperlink") || local == QLatin1String("smartTag") ||
                     local == QLatin1String("ins") || local == QLatin1String("fldSimple"))
                inlines(c, out);
            else if (local == QLatin1String("sdt"))
                if (XmlNode *content = c->child(w + QStringLiteral("sdtContent")))
                    inlines(content, out);
        }
    }

    void run(XmlNode *r, QString &out)
    {
        bool bold = false, italic = false, underline = false;
        if (XmlNode *rPr = r->child(w + QStringLiteral("rPr"))) {
            bold = on(rPr->child(w + QStringLiteral("b")));
            italic = on(rPr->child(w + QStringLiteral("i")));
            underline = on(rPr->child(w + QStringLiteral("u")));
            if (on(rPr->child(w + QStringLiteral("vanish"))))
                return;
        }
        QString text;
        for (XmlNode *c : r->childElements()) {
            const QString local = c->localName();
            if (local == QLatin1String("t"))
                text += esc(c->textContent());
            else if (local == QLatin1String("tab"))
                text += QStringLiteral("&emsp;");
            else if (local == QLatin1String("br") || local == QLatin1String("cr"))
                text += QStringLiteral("<br>");
            else if (local == QLatin1String("drawing") || local == QLatin1String("pict"))
                text += pictures(c);
        }
        if (text.isEmpty())
            return;
        if (underline)
            text = QStringLiteral("<u>") + text + QStringLiteral("</u>");
        if (italic)
            text = QStringLiteral("<em>") + text + QStringLiteral("</em>");
        if (bold)
            text = QStringLiteral("<strong>") + text + QStringLiteral("</strong>");
        out += text;
    }

    QString pictures(XmlNode *drawing)
    {
        QString out;
        qint64 widthEmu = 0;
        drawing->forEachElement([&](XmlNode *e) {
            const QString local = e->localName();
            if (local == QLatin1String("extent") && !widthEmu)
                widthEmu = e->attribute(QStringLiteral("cx")).toLongLong();
            QString id;
            if (local == QLatin1String("blip"))
                id = e->attribute(
                    e->prefixFor(
                        QStringLiteral(
                            "http://schemas.openxmlformats.org/officeDocument/2006/relationships"),
                        QStringLiteral("r:")) +
                    QStringLiteral("embed"));
            else if (local == QLatin1String("imagedata"))
                id = e->attribute(QStringLiteral("r:id"));
            if (id.isEmpty())
                return;
            const QString src = m_page.picture(m_targets[id]);
            if (src.isEmpty())
                return;
            out += QStringLiteral("<img src=\"") + esc(src) + QStringLiteral("\" alt=\"\"");
            if (widthEmu > 0)
                out += QStringLiteral(" width=\"%1\"").arg(widthEmu / 9525);
            out += QLatin1Char('>');
        });
        return out;
    }

    void table(XmlNode *tbl, QString &out)
    {
        out += QStringLiteral("<table>\n");
        for (XmlNode *tr : tbl->childElements(w + QStringLiteral("tr"))) {
            bool heading = false;
            if (XmlNode *trPr = tr->child(w + QStringLiteral("trPr")))
                heading = trPr->child(w + QStringLiteral("tblHeader"));
            out += QStringLiteral("<tr>");
            for (XmlNode *tc : tr->childElements(w + QStringLiteral("tc"))) {
                QStringList css;
                QString span;
                if (XmlNode *tcPr = tc->child(w + QStringLiteral("tcPr"))) {
                    if (XmlNode *merge = tcPr->child(w + QStringLiteral("vMerge"))) {
                        if (merge->attribute(w + QStringLiteral("val")) != QLatin1String("restart"))
                            continue;
                    }
                    if (XmlNode *shd = tcPr->child(w + QStringLiteral("shd"))) {
                        const QString fill = shd->attribute(w + QStringLiteral("fill"));
                        if (!fill.isEmpty() && fill != QLatin1String("auto"))
                            css << QStringLiteral("background-color:#") + fill.toLower();
                    }
                    if (XmlNode *gs = tcPr->child(w + QStringLiteral("gridSpan")))
                        span = QStringLiteral(" colspan=\"%1\"")
                                   .arg(gs->attribute(w + QStringLiteral("val")).toInt());
                }
                const QString tag = heading ? QStringLiteral("th") : QStringLiteral("td");
                QString inner;
                blocks(tc, inner);
                out += QLatin1Char('<') + tag + span + styleAttribute(css) + QLatin1Char('>') +
                       inner + QStringLiteral("</") + tag + QLatin1Char('>');
            }
            out += QStringLiteral("</tr>\n");
        }
        out += QStringLiteral("</table>\n");
    }

    const ZipPackage &m_package;
    HtmlPage &m_page;
    QString w;
    QString m_folder;
    std::map<QString, QString> m_targets;
    std::map<QString, ParagraphStyle> m_styles;
};

// ---- OpenDocument text ----

class OdtToHtml
{
public:
    OdtToHtml(const ZipPackage &package, HtmlPage &page) : m_package(package), m_page(page) {}

    bool run(QString *error)
    {
        XmlDocument styles;
        if (parseXml(m_package.data(QStringLiteral("styles.xml")), &styles))
            readStyles(styles.root());
        XmlDocument content;
        if (!parseXml(m_package.data(QStringLiteral("content.xml")), &content, error))
            return false;
        XmlNode *root = content.root();
        readStyles(root);
        const QString o =
            root->prefixFor(QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:office:1.0"),
                            QStringLiteral("office:"));
        XmlNode *body = root->child(o + QStringLiteral("body"));
        XmlNode *text = body ? body->child(o + QStringLiteral("text")) : nullptr;
        if (!text) {
            *error = QStringLiteral("le texte du document manque");
            return false;
        }
        blocks(text, m_page.body);
        return true;
    }

private:
    struct Style
    {
        QString parent;
        std::optional<bool> bold, italic, underline;
        QString background;
        QString align;
    };

    void readStyles(XmlNode *root)
    {
        root->forEachElement([&](XmlNode *s) {
            if (s->localName() != QLatin1String("style"))
                return;
            Style style;
            style.parent = s->attribute(QStringLiteral("style:parent-style-name"));
            for (XmlNode *p : s->childElements()) {
                if (p->localName() == QLatin1String("text-properties")) {
                    if (p->hasAttribute(QStringLiteral("fo:font-weight")))
                        style.bold = p->attribute(QStringLiteral("fo:font-weight")) ==
                                         QLatin1String("bold") ||
                                     p->attribute(QStringLiteral("fo:font-weight")).toInt() >= 600;
                    if (p->hasAttribute(QStringLiteral("fo:font-style")))
                        style.italic = p->attribute(QStringLiteral("fo:font-style")) ==
                                       QLatin1String("italic");
                    if (p->hasAttribute(QStringLiteral("style:text-underline-style")))
                        style.underline =
                            p->attribute(QStringLiteral("style:text-underline-style")) !=
                            QLatin1String("none");
                } else if (p->localName() == QLatin1String("table-cell-properties")) {
                    const QString bg = p->attribute(QStringLiteral("fo:background-color"));
                    if (bg.startsWith(QLatin1Char('#')))
                        style.background = bg;
                } else if (p->localName() == QLatin1String("paragraph-properties")) {
                    const QString a = p->attribute(QStringLiteral("fo:text-align"));
                    if (a == QLatin1String("center"))
                        style.align = QStringLiteral("center");
                    else if (a == QLatin1String("end") || a == QLatin1String("right"))
                        style.align = QStringLiteral("right");
                    else if (a == QLatin1String("justify"))
                        style.align = QStringLiteral("justify");
                }
            }
            m_styles[s->attribute(QStringLiteral("style:name"))] = style;
        });
    }

    // A property through the parent chain.
    template <typename Get> auto inherited(QString name, Get get) const -> decltype(get(Style()))
    {
        for (int depth = 0; depth < 10 && !name.isEmpty(); ++depth) {
            const auto s = m_styles.find(name);
            if (s == m_styles.end())
                break;
            const auto v = get(s->second);
            if (v != decltype(v)())
                return v;
            name = s->second.parent;
        }
        return {};
    }

    void blocks(XmlNode *container, QString &out)
    {
        for (XmlNode *c : container->childElements()) {
            const QString name = c->name();
            if (name == QLatin1String("text:p") || name == QLatin1String("text:h")) {
                paragraph(c, out);
            } else if (name == QLatin1String("text:list")) {
                out += QStringLiteral("<ul>\n");
                for (XmlNode *item : c->childElements(QStringLiteral("text:list-item"))) {
                    out += QStringLiteral("<li>");
                    blocks(item, out);
                    out += QStringLiteral("</li>\n");
                }
                out += QStringLiteral("</ul>\n");
            } else if (name == QLatin1String("table:table")) {
                table(c, out);
            } else if (name == QLatin1String("text:section")) {
                blocks(c, out);
            }
        }
    }

    void paragraph(XmlNode *p, QString &out)
    {
        int level = 0;
        const QString styleName = p->attribute(QStringLiteral("text:style-name"));
        if (p->name() == QLatin1String("text:h"))
            level = std::clamp(
                p->attribute(QStringLiteral("text:outline-level"), QStringLiteral("1")).toInt(), 1,
                6);
        QStringList css;
        const QString align = inherited(styleName, [](const Style &s) { return s.align; });
        if (!align.isEmpty())
            css << QStringLiteral("text-align:") + align;
        const QString tag = level ? QStringLiteral("h%1").arg(level) : QStringLiteral("p");
        QString inner;
        inlines(p, inner, styleName);
        out += QLatin1Char('<') + tag + styleAttribute(css) + QLatin1Char('>') +
               (inner.isEmpty() ? QStringLiteral("&nbsp;") : merged(inner)) + QStringLiteral("</") +
               tag + QStringLiteral(">\n");
    }

    QString styled(const QString &html, const QString &styleName, const QString &outer)
    {
        if (styleName.isEmpty() || html.isEmpty())
            return html;
        auto flag = [&](auto member) {
            const auto own = inherited(styleName, [&](const Style &s) { return s.*member; });
            return own.value_or(false) &&
                   !inherited(outer, [&](const Style &s) { return s.*member; }).value_or(false);
        };
        QString out = html;
        if (flag(&Style::underline))
            out = QStringLiteral("<u>") + out + QStringLiteral("</u>");
        if (flag(&Style::italic))
            out = QStringLiteral("<em>") + out + QStringLiteral("</em>");
        if (flag(&Style::bold))
            out = QStringLiteral("<strong>") + out + QStringLiteral("</strong>");
        return out;
    }

    void inlines(XmlNode *container, QString &out, const QString &paragraphStyle)
    {
        for (const auto &child : container->children()) {
            XmlNode *c = child.get();
            if (c->kind() == XmlNode::Text) {
                out += esc(c->text());
                continue;
            }
            if (!c->isElement())
                continue;
            const QString name = c->name();
            if (name == QLatin1String("text:span")) {
                QString inner;
                inlines(c, inner, paragraphStyle);
                out += styled(inner, c->attribute(QStringLiteral("text:style-name")), QString());
            } else if (name == QLatin1String("text:a")) {
                inlines(c, out, paragraphStyle);
            } else if (name == QLatin1String("text:s")) {
                const int n = std::max(
                    1, c->attribute(QStringLiteral("text:c"), QStringLiteral("1")).toInt());
                out += QStringLiteral("&nbsp;").repeated(n);
            } else if (name == QLatin1String("text:tab")) {
                out += QStringLiteral("&emsp;");
            } else if (name == QLatin1String("text:line-break")) {
                out += QStringLiteral("<br>");
            } else if (name == QLatin1String("draw:frame")) {
                out += frame(c);
            }
        }
        if (container->name() == QLatin1String("text:p") ||
            container->name() == QLatin1String("text:h"))
            out = styled(out, paragraphStyle, QString());
    }

    QString frame(XmlNode *f)
    {
        std::vector<XmlNode *> images = f->childElements(QStringLiteral("draw:image"));
        if (images.empty())
            return {};
        // The bitmap version: every browser shows it at the size the document gives.
        XmlNode *chosen = images.back();
        for (XmlNode *i : images) {
            if (!i->attribute(QStringLiteral("draw:mime-type")).contains(QLatin1String("svg")) &&
                !i->attribute(QStringLiteral("xlink:href")).endsWith(QLatin1String(".svg"))) {
                chosen = i;
                break;
            }
        }
        const QString src = m_page.picture(chosen->attribute(QStringLiteral("xlink:href")));
        if (src.isEmpty())
            return {};
        QString out = QStringLiteral("<img src=\"") + esc(src) + QStringLiteral("\" alt=\"\"");
        const QString width = f->attribute(QStringLiteral("svg:width"));
        static const QRegularExpression length(QStringLiteral("^([0-9.]+)(cm|mm|in|pt)$"));
        const auto m = length.match(width);
        if (m.hasMatch()) {
            static const std::map<QString, double> perUnit{{QStringLiteral("cm"), 96 / 2.54},
                                                           {QStringLiteral("mm"), 9.6 / 2.54},
                                                           {QStringLiteral("in"), 96},
                                                           {QStringLiteral("pt"), 96.0 / 72}};
            out += QStringLiteral(" width=\"%1\"")
                       .arg(qRound(m.captured(1).toDouble() * perUnit.at(m.captured(2))));
        }
        return out + QLatin1Char('>');
    }

    void table(XmlNode *t, QString &out)
    {
        out += QStringLiteral("<table>\n");
        auto rows = [&](XmlNode *container, bool heading, auto &self) -> void {
            for (XmlNode *c : container->childElements()) {
                if (c->name() == QLatin1String("table:table-header-rows")) {
                    self(c, true, self);
                } else if (c->name() == QLatin1String("table:table-rows")) {
                    self(c, heading, self);
                } else if (c->name() == QLatin1String("table:table-row")) {
                    out += QStringLiteral("<tr>");
                    for (XmlNode *cell : c->childElements(QStringLiteral("table:table-cell"))) {
                        QStringList css;
                        const QString bg =
                            inherited(cell->attribute(QStringLiteral("table:style-name")),
                                      [](const Style &s) { return s.background; });
                        if (!bg.isEmpty())
                            css << QStringLiteral("background-color:") + bg;
                        QString span;
                        const int cols =
                            cell->attribute(QStringLiteral("table:number-columns-spanned")).toInt();
                        if (cols > 1)
                            span = QStringLiteral(" colspan=\"%1\"").arg(cols);
                        const QString tag = heading ? QStringLiteral("th") : QStringLiteral("td");
                        QString inner;
                        blocks(cell, inner);
                        out += QLatin1Char('<') + tag + span + styleAttribute(css) +
                               QLatin1Char('>') + inner + QStringLiteral("</") + tag +
                               QLatin1Char('>');
                    }
                    out += QStringLiteral("</tr>\n");
                }
            }
        };
        rows(t, false, rows);
        out += QStringLiteral("</table>\n");
    }

    const ZipPackage &m_package;
    HtmlPage &m_page;
    std::map<QString, Style> m_styles;
};

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

} // namespace

bool writeDocumentHtml(const QString &documentPath, const QString &htmlPath, QString *error)
{
    const QFileInfo info(documentPath);
    if (!info.isFile()) {
        setError(error, QStringLiteral("Impossible de trouver le fichier ") + documentPath);
        return false;
    }
    const QString suffix = info.suffix().toLower();
    const bool word = suffix == QLatin1String("docx") || suffix == QLatin1String("docm");
    if (!word && suffix != QLatin1String("odt")) {
        setError(error, QStringLiteral("Le fichier ") + documentPath +
                            QStringLiteral(" n'est pas un document .docx ou .odt."));
        return false;
    }
    ZipPackage package;
    if (!package.read(documentPath)) {
        setError(error,
                 QStringLiteral("Le document ") + documentPath + QStringLiteral(" est illisible."));
        return false;
    }
    HtmlPage page(package, htmlPath);
    QString why;
    const bool ok = word ? DocxToHtml(package, page).run(&why) : OdtToHtml(package, page).run(&why);
    if (!ok) {
        setError(error, QStringLiteral("Le document ") + documentPath +
                            QStringLiteral(" est illisible : ") + why);
        return false;
    }
    const QString html = QStringLiteral("<!DOCTYPE html>\n<html lang=\"fr\">\n<head>\n"
                                        "<meta charset=\"utf-8\">\n<title>") +
                         esc(info.completeBaseName()) + QStringLiteral("</title>\n<style>") +
                         QLatin1String(kPageStyle) + QStringLiteral("</style>\n</head>\n<body>\n") +
                         page.body + QStringLiteral("</body>\n</html>\n");
    QSaveFile out(htmlPath);
    const QByteArray bytes = html.toUtf8();
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
        setError(error, QStringLiteral("Impossible d'écrire le fichier ") + htmlPath);
        return false;
    }
    return true;
}

} // namespace plx
