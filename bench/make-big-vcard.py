#!/usr/bin/env python3
"""Writes a vCard 3.0 file of COUNT cards (default 600,000) to PATH, for measuring
`fetemark contacts import` on very large files:

    bench/make-big-vcard.py /tmp/big.vcf 600000
    /usr/bin/time -v build/bin/fetemark --data-dir /tmp/big contacts import /tmp/big.vcf
"""
import sys

path = sys.argv[1]
count = int(sys.argv[2]) if len(sys.argv) > 2 else 600_000
with open(path, "w", newline="") as out:
    for i in range(count):
        out.write(
            "BEGIN:VCARD\r\nVERSION:3.0\r\n"
            f"N:Person{i};Given{i % 997};;;\r\nFN:Given{i % 997} Person{i}\r\n"
            f"UID:big-{i}\r\nORG:Company {i % 5000};Department {i % 7}\r\nTITLE:Engineer\r\n"
            f"BDAY:{1940 + i % 70}-{1 + i % 12:02d}-{1 + i % 28:02d}\r\n"
            f"TEL;TYPE=CELL:+49 170 {i:07d}\r\nTEL;TYPE=WORK:+49 30 {i:07d}\r\n"
            f"EMAIL;TYPE=INTERNET:person{i}@example.com\r\n"
            f"ADR;TYPE=HOME:;;Street {i % 300} {i % 90};City {i % 1000};;{10000 + i % 90000};Germany\r\n"
            f"X-CUSTOM-ID:{i}\r\nEND:VCARD\r\n")
