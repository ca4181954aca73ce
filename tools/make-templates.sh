#!/bin/sh
# Builds the sample report templates shipped with the program from their readable flat
# OpenDocument sources (src/outputs/templates/*.fodt, *.fods): .odt and .docx for the
# station sheet, .ods and .xlsx for the yearly summary. Needs LibreOffice (soffice).
# Then checks that every bookmark and marker of the source is still in each result.
set -eu
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

missing=0
check() { # source pattern result part form: each name the pattern finds in the source
    for name in $(grep -o "$2" "$dir/$1" | sed 's/^[^A-Z]*//; s/[^A-Z0-9_].*//' | sort -u); do
        # shellcheck disable=SC2059 # the form is ours
        if ! unzip -p "$dir/$3" "$4" | grep -q "$(printf "$5" "$name")"; then
            echo "$3: $name perdu à la conversion" >&2
            missing=1
        fi
    done
}
check Fiche_station.fodt 'text:name="[A-Z_0-9]*"' Fiche_station.odt content.xml 'text:name="%s"'
check Fiche_station.fodt 'text:name="[A-Z_0-9]*"' Fiche_station.docx word/document.xml 'w:name="%s"'
check Synthese_annuelle.fods '<text:p>#[A-Z_0-9]*<' Synthese_annuelle.ods content.xml '>#%s<'
check Synthese_annuelle.fods '<text:p>#[A-Z_0-9]*<' Synthese_annuelle.xlsx xl/sharedStrings.xml '>#%s<'
exit $missing
