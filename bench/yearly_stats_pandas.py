"""The yearly statistics of bench_yearly_stats done with pandas, as an analyst would:
monthly totals by groupby, months with a value every day kept, the selected year left
out, then min/mean/max and quantiles per month. Reads the rows (day number since
1970-01-01, value; little-endian doubles) written by the benchmark; prints the best of
three runs in milliseconds and the January median, for the benchmark to show beside its own."""
import sys
import time

import numpy as np
import pandas as pd

data = np.fromfile(sys.argv[1], dtype="<f8").reshape(-1, 2)
selected = int(sys.argv[2])


def compute():
    d = pd.DataFrame({"day": data[:, 0].astype("int64"), "v": data[:, 1]})
    dates = pd.to_datetime(d["day"], unit="D")
    d["y"] = dates.dt.year
    d["m"] = dates.dt.month
    d["dim"] = dates.dt.days_in_month
    # One row a day: the row count is the number of days with a value.
    g = d.groupby(["y", "m"]).agg(total=("v", "sum"), days=("v", "count"), dim=("dim", "first"))
    totals = g["total"].unstack("m")
    year = totals.loc[selected]
    others = g["total"].where(g["days"] == g["dim"]).unstack("m").drop(index=selected)
    envelopes = others.agg(["min", "mean", "max"])
    quantiles = others.quantile([0.2, 0.4, 0.6, 0.8, 0.5])
    return year, envelopes, quantiles


best = float("inf")
for _ in range(3):
    start = time.perf_counter()
    result = compute()
    best = min(best, time.perf_counter() - start)
print(f"{best * 1000:.3f} {result[2].loc[0.5, 1]:.4f}")
