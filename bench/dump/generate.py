#!/usr/bin/python3
"""Writes a handheld count database: LINES lines over ZONES numeric zones (table GCD)."""
import random
import sqlite3
import sys

path, lines, zones = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
random.seed(11)
db = sqlite3.connect(path)
db.execute("CREATE TABLE GCD (ID INTEGER PRIMARY KEY, ZONE TEXT, Code TEXT, Quantite INTEGER, "
           "Heure TEXT, Valide TEXT)")
codes = ["978%010d" % random.randrange(10**10) for _ in range(5000)]
zone_codes = ["%d%03d" % (1 + z // 1000, z % 1000) for z in range(zones)]
rows = []
for i in range(lines):
    zone = zone_codes[random.randrange(zones)]
    rows.append((zone, random.choice(codes), random.randrange(1, 12),
                 "%02d:%02d:%02d" % (8 + i * 10 // lines, random.randrange(60), random.randrange(60)), "O"))
db.executemany("INSERT INTO GCD (ZONE, Code, Quantite, Heure, Valide) VALUES (?, ?, ?, ?, ?)", rows)
db.commit()
db.close()
