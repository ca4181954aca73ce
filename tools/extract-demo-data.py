#!/usr/bin/env python3
"""Rebuilds the demo network's data (src/run/demo/*.csv) from the Météo-France open data
files: the daily Bouches-du-Rhône files (Q_13_...) and the hourly RADOME "Molène" set;
and the piezometers near the Brittany stations from the ADES series (via Hub'Eau).

Only columns and rows the demo needs are kept, so that the extract stays small enough to
be compiled into the program. Standard library only.

    tools/extract-demo-data.py [--source /work/shared/data/rain]
                               [--groundwater /work/shared/data/groundwater] [--out src/run/demo]
"""

import argparse
import csv
import gzip
import io
import pathlib
import re
import sys
import tarfile

DAILY_LATEST = "meteofrance_daily_dept13/Q_13_latest-2025-2026_RR-T-Vent.csv"
DAILY_ARCHIVE = "meteofrance_daily_dept13/Q_13_1786-1949_RR-T-Vent.csv.gz"
HOURLY_TAR = "meteofrance_hourly_molene_2014-01/RADOMEH.tar.gz"
HOURLY_STATIONS = "meteofrance_hourly_molene_2014-01/weather_stations.csv"

# Stations of the 2025-2026 file: the whole file (2025-01-01 to 2026-03-14) is kept.
LATEST_STATIONS = [
    "13001009", "13004003", "13005003", "13022003", "13028001", "13031002", "13036003",
    "13055029", "13062002", "13074003", "13091002", "13103001", "13108004", "13111002",
    "13055001", "13054001",
]

# Years of the 1786-1949 archive kept per station (first day, last day included). The four
# long records are kept whole, so that the yearly statistics have decades of complete years
# to work on; MARSEILLE-OBS and MARIGNANE also report in 2025-2026, so their series show the
# 1950-2024 gap of the source. BERRE gives a short closed series.
ARCHIVE_WINDOWS = {
    "13055001": ("18680101", "19491231"),  # MARSEILLE-OBS, 1868-1949
    "13054001": ("19210101", "19491231"),  # MARIGNANE, 1921-1949
    "13055021": ("17860101", "18631231"),  # MARSEILLE-ACCOULES, 1786-1863, closed 1863
    "13001003": ("18650101", "19351231"),  # AIX-EN-PROVENCE, 1865-1935, closed 1935
    "13014002": ("19460101", "19491231"),  # BERRE
}

HOURLY_SELECTED = ["29075001", "35228001", "29178001"]

# INSEE commune of each station (the first five digits of NUM_POSTE) and its name, from
# the official geographic code.
COMMUNES = {
    "13001": "Aix-en-Provence", "13004": "Arles", "13005": "Aubagne", "13014": "Berre-l'Étang",
    "13022": "Cassis", "13028": "La Ciotat", "13031": "La Destrousse", "13036": "Eyragues",
    "13054": "Marignane", "13055": "Marseille", "13062": "Mimet",
    "13074": "Peyrolles-en-Provence", "13091": "Saint-Cannat", "13103": "Salon-de-Provence",
    "13108": "Tarascon", "13111": "Vauvenargues", "29075": "Guipavas",
    "29178": "Ploudalmézeau", "35228": "Pleurtuit",
}

# Piezometers near the hourly Brittany stations whose series cover January 2014, and the
# years of their daily series kept: enough around that month to see the seasons.
PIEZOMETERS = [
    # (BSS id, INSEE commune code, commune name from the official geographic code)
    ("BSS000XCWZ", "29106", "Landrévarzec"),    # 50 km south-east of BREST-GUIPAVAS
    ("BSS000XMZQ", "35278", "Saint-Grégoire"),  # 55 km south of DINARD
    ("BSS000QVLD", "22247", "Pommerit-Jaudy"),  # between the two, Trégor
]
LEVEL_YEARS = ("2012-01-01", "2016-12-31")

PIEZOMETER_COLUMNS = ["CODE_BSS", "ANCIEN_CODE_BSS", "LAT", "LON", "ALTI", "PROF",
                      "CODE_COMMUNE", "NOM_COMMUNE", "CODE_ENTITE", "NOM_ENTITE"]

STATION_COLUMNS = ["NUM_POSTE", "NOM_USUEL", "LAT", "LON", "ALTI", "PAS", "PREMIER_JOUR",
                   "DERNIER_JOUR", "CODE_COMMUNE", "NOM_COMMUNE", "X_L2E", "Y_L2E"]


def number(text):
    """Plain decimal text without trailing zeros: "0.000000" -> "0", "282.850000" -> "282.85"."""
    if text in ("", "mq"):
        return text
    if "." in text:
        text = text.rstrip("0").rstrip(".")
    return text or "0"


def read_daily(path, opener, wanted):
    """Yields the rows (as dicts) of a Q_13 file whose NUM_POSTE is wanted."""
    with opener(path, "rt", encoding="ascii", newline="") as f:
        for row in csv.DictReader(f, delimiter=";"):
            if row["NUM_POSTE"] in wanted:
                yield row


def dms_to_decimal(text):
    """48°26'36N -> 48.443333; W and S are negative."""
    m = re.fullmatch(r"(\d+)°(\d+)'(\d+)([NSEW])", text.strip())
    if not m:
        raise ValueError("coordonnée illisible : " + text)
    value = int(m[1]) + int(m[2]) / 60 + int(m[3]) / 3600
    return -value if m[4] in "WS" else value


def extract_groundwater(source, out):
    """piezometres.csv and niveaux.csv; returns (piezometers, level rows)."""
    with open(source / "cydre_bretagne/stations.csv", encoding="latin-1", newline="") as f:
        listed = {r["Identifiant BSS"]: r for r in csv.DictReader(f, delimiter=";")}
    with open(source / "hubeau_stations_extract_piezoforecast.csv", encoding="utf-8",
              newline="") as f:
        hubeau = {r["bss"]: r for r in csv.DictReader(f)}
    rows, levels = [], []
    for bss, commune, commune_name in PIEZOMETERS:
        station = listed[bss]
        old = station["Ancien code national BSS"]
        attributes = hubeau[old]
        # "['Bassin versant de l'Odet']" or '["..."]': a Python list of one name.
        water_body = attributes["masse_eau"].strip("[]").strip("'\"")
        rows.append({
            "CODE_BSS": bss, "ANCIEN_CODE_BSS": old,
            "LAT": "%.6f" % float(station["Y_WGS84"]), "LON": "%.6f" % float(station["X_WGS84"]),
            "ALTI": number(attributes["alt"]), "PROF": number(attributes["prof"]),
            "CODE_COMMUNE": commune, "NOM_COMMUNE": commune_name,
            "CODE_ENTITE": attributes["CodeEH"], "NOM_ENTITE": water_body,
        })
        with open(source / "cydre_bretagne" / (bss + ".csv"), encoding="ascii", newline="") as f:
            for r in csv.DictReader(f):
                if LEVEL_YEARS[0] <= r["t"] <= LEVEL_YEARS[1]:
                    levels.append((bss, r["t"].replace("-", ""), number(r["H"]), number(r["d"])))
    with open(out / "piezometres.csv", "w", encoding="utf-8", newline="") as f:
        w = csv.DictWriter(f, PIEZOMETER_COLUMNS, delimiter=";", lineterminator="\n")
        w.writeheader()
        w.writerows(rows)
    with open(out / "niveaux.csv", "w", encoding="ascii", newline="") as f:
        f.write("CODE_BSS;AAAAMMJJ;NGF;PROFONDEUR\n")
        for r in levels:
            f.write(";".join(r) + "\n")
    return len(rows), len(levels)


def extract(source, out):
    stations = {}
    first_day = {}
    last_day = {}
    daily = []

    for row in read_daily(source / DAILY_LATEST, open, set(LATEST_STATIONS)):
        code = row["NUM_POSTE"]
        stations.setdefault(code, row)
        daily.append((code, row["AAAAMMJJ"], number(row["RR"]), row["QRR"], number(row["TM"])))

    archive_codes = set(ARCHIVE_WINDOWS) | set(LATEST_STATIONS)
    for row in read_daily(source / DAILY_ARCHIVE, gzip.open, archive_codes):
        code, day = row["NUM_POSTE"], row["AAAAMMJJ"]
        # The opening and closing days of a station come from the whole archive.
        first_day[code] = min(first_day.get(code, day), day)
        last_day[code] = max(last_day.get(code, day), day)
        window = ARCHIVE_WINDOWS.get(code)
        if window and window[0] <= day <= window[1]:
            # The 2025-2026 file describes a station as it stands today.
            stations.setdefault(code, row)
            daily.append((code, day, number(row["RR"]), row["QRR"], number(row["TM"])))

    # A day with neither value says nothing the date gap does not already say.
    daily = sorted(r for r in daily if r[2] or r[4])
    order = sorted(stations)
    station_rows = []
    for code in order:
        row = stations[code]
        commune = code[:5]
        closed = code not in LATEST_STATIONS
        station_rows.append({
            "NUM_POSTE": code, "NOM_USUEL": row["NOM_USUEL"], "LAT": row["LAT"],
            "LON": row["LON"], "ALTI": row["ALTI"], "PAS": "J",
            "PREMIER_JOUR": first_day.get(code, ""),
            "DERNIER_JOUR": last_day.get(code, "") if closed else "",
            "CODE_COMMUNE": commune, "NOM_COMMUNE": COMMUNES[commune], "X_L2E": "", "Y_L2E": "",
        })

    hourly = []
    with open(source / HOURLY_STATIONS, encoding="utf-8", newline="") as f:
        meta = {r[0].strip(): r for r in csv.reader(f) if r and r[0].strip().isdigit()}
    with tarfile.open(source / HOURLY_TAR, "r:gz") as tar:
        for code in HOURLY_SELECTED:
            member = tar.extractfile("RADOMEH_HACKATON_%s.txt" % code)
            lines = io.TextIOWrapper(member, encoding="ascii").read().splitlines()
            if lines[-1] != "EOF":
                raise ValueError(code + " : la dernière ligne n'est pas EOF")
            reader = csv.DictReader(lines[:-1])
            for row in reader:
                hourly.append((code, row["date"][:10], number(row["rr1"]), number(row["t"])))
            m = meta[code]
            commune = code[:5]
            # The file's "Lambert II X, Lambert II Y" header is swapped: the first value is
            # the northing, in hectometres.
            station_rows.append({
                "NUM_POSTE": code, "NOM_USUEL": m[1].strip(),
                "LAT": "%.6f" % dms_to_decimal(m[2]), "LON": "%.6f" % dms_to_decimal(m[3]),
                "ALTI": m[6].strip(), "PAS": "H", "PREMIER_JOUR": "", "DERNIER_JOUR": "",
                "CODE_COMMUNE": commune, "NOM_COMMUNE": COMMUNES[commune],
                "X_L2E": str(int(m[5]) * 100), "Y_L2E": str(int(m[4]) * 100),
            })

    out.mkdir(parents=True, exist_ok=True)
    with open(out / "stations.csv", "w", encoding="utf-8", newline="") as f:
        w = csv.DictWriter(f, STATION_COLUMNS, delimiter=";", lineterminator="\n")
        w.writeheader()
        w.writerows(station_rows)
    with open(out / "quotidien.csv", "w", encoding="ascii", newline="") as f:
        f.write("NUM_POSTE;AAAAMMJJ;RR;QRR;TM\n")
        for r in daily:
            f.write(";".join(r) + "\n")
    with open(out / "horaire.csv", "w", encoding="ascii", newline="") as f:
        f.write("NUM_POSTE;AAAAMMJJHH;RR1;T\n")
        for r in hourly:
            f.write(";".join(r) + "\n")
    return len(station_rows), len(daily), len(hourly)


def main():
    here = pathlib.Path(__file__).resolve().parent.parent
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--source", type=pathlib.Path, default=pathlib.Path("/work/shared/data/rain"))
    parser.add_argument("--groundwater", type=pathlib.Path,
                        default=pathlib.Path("/work/shared/data/groundwater"))
    parser.add_argument("--out", type=pathlib.Path, default=here / "src/run/demo")
    args = parser.parse_args()
    counts = extract(args.source, args.out)
    print("%d stations, %d jours, %d heures -> %s" % (counts + (args.out,)))
    print("%d piézomètres, %d niveaux journaliers" % extract_groundwater(args.groundwater, args.out))
    return 0


if __name__ == "__main__":
    sys.exit(main())
