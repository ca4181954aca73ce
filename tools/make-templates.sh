#!/bin/sh
# Builds the sample report templates shipped with the program from their readable flat
# OpenDocument sources (src/outputs/templates/*.fodt, *.fods): .odt and .docx for the
# station sheet, .ods and .xlsx for the yearly summary. Needs LibreOffice (soffice).
# Then checks that every bookmark and marker of the source is still in each result.
set -eu
command -v soffice >/dev/null || { echo "LibreOffice (soffice) est nécessaire." >&2; exit 1; }
here=$(cd "$(dirname "$0")/.." && pwd)
dir="$here/src/outputs/templates"
profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
convert() { # source format
    soffice -env:UserInstallation="file://$profile" --headless --convert-to "$2" \
        --outdir "$dir" "$dir/$1" >/dev/null
}
convert Fiche_station.fodt odt
convert Fiche_station.fodt docx
convert Synthese_annuelle.fods ods
convert Synthese_annuelle.fods xlsx

# The converter stores each formula's result of the moment (year labels of this year, zero
# totals): drop them, and ask for a full calculation on opening, so that the filled
# workbook shows results of its own values.
python3 - "$dir/Synthese_annuelle.ods" "$dir/Synthese_annuelle.xlsx" <<'PY'
import re, sys, zipfile

def rewrite(path, part, change):
    with zipfile.ZipFile(path) as zin:
        items = [(info, zin.read(info.filename)) for info in zin.infolist()]
    with zipfile.ZipFile(path, "w") as zout:
        for info, data in items:
            if info.filename == part:
                data = change(data.decode("utf-8")).encode("utf-8")
            zout.writestr(info, data)

def ods(xml):
    def bare(cell):
        text = re.sub(r' (?:office|calcext):(?:value-type|value|string-value|date-value|boolean-value)="[^"]*"', "", cell.group(0))
        return re.sub(r"><text:p>[^<]*</text:p></table:table-cell>$", "/>", text)
    return re.sub(r'<table:table-cell [^>]*table:formula="[^"]*"[^>]*?(?:/>|><text:p>[^<]*</text:p></table:table-cell>)', bare, xml)

def xlsx_sheet(xml):
    return re.sub(r"(</f>)<v>[^<]*</v>", r"\1", xml)

def xlsx_book(xml):
    return xml.replace("<calcPr ", '<calcPr fullCalcOnLoad="1" ', 1)

rewrite(sys.argv[1], "content.xml", ods)
with zipfile.ZipFile(sys.argv[2]) as z:
    sheets = [n for n in z.namelist() if n.startswith("xl/worksheets/sheet")]
for sheet in sheets:
    rewrite(sys.argv[2], sheet, xlsx_sheet)
rewrite(sys.argv[2], "xl/workbook.xml", xlsx_book)
PY

missing=0
check() { # source pattern result part form: each name the pattern finds in the source
    for name in $(grep -o "$2" "$dir/$1" | sed 's/^[^A-Z]*//; s/[^A-Z0-9_-].*//' | sort -u); do
        # shellcheck disable=SC2059 # the form is ours
        if ! unzip -p "$dir/$3" "$4" | grep -q "$(printf "$5" "$name")"; then
            echo "$3: $name perdu à la conversion" >&2
            missing=1
        fi
    done
}
check Fiche_station.fodt 'text:name="[A-Z_0-9]*"' Fiche_station.odt content.xml 'text:name="%s"'
check Fiche_station.fodt 'text:name="[A-Z_0-9]*"' Fiche_station.docx word/document.xml 'w:name="%s"'
check Synthese_annuelle.fods '<text:p>#[A-Z_0-9-]*<' Synthese_annuelle.ods content.xml '>#%s<'
check Synthese_annuelle.fods '<text:p>#[A-Z_0-9-]*<' Synthese_annuelle.xlsx xl/sharedStrings.xml '>#%s<'
exit $missing
