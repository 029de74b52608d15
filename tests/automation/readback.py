# Reads a measurement file with Python's own CSV reader and checks every
# field: prints one JSON object with the rows and the faults found.
import csv, datetime, json, sys

HEADER = ["Date", "Time", "Serial no.", "Channel no.", "Vmeasure", "Imeasure", "Temperature"]
raw = open(sys.argv[1], "rb").read()
faults = ["carriage return"] if b"\r" in raw else []
rows = list(csv.reader(open(sys.argv[1], newline="", encoding="ascii"), delimiter=";"))
for number, row in enumerate(rows, 1):
    if row == HEADER:
        continue
    try:
        if len(row) != 7:
            raise ValueError("%d fields" % len(row))
        datetime.datetime.strptime(row[0] + " " + row[1], "%Y-%m-%d %H:%M:%S.%f")
        if len(row[1]) != 12:
            raise ValueError("time " + row[1])
        int(row[2]), int(row[3]), float(row[4]), float(row[5])
        if len(row[6].split(".")[1]) != 1:
            raise ValueError("temperature " + row[6])
    except (ValueError, IndexError) as error:
        faults.append("line %d: %s" % (number, error))
print(json.dumps({"rows": rows, "faults": faults}))
