"""Checks the floors of the house: each folder is one library and includes only its own floor and
the floors beneath it (platform, utility, geometry, gis, converter, from the bottom up).

Run as: python3 include_floors.py SOURCE_DIR
"""
import os
import re
import sys

FLOORS = ["platform", "utility", "geometry", "gis", "converter"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^/"]+)/')


def main(root):
    wrong = []
    for level, floor in enumerate(FLOORS):
        folder = os.path.join(root, floor)
        for name in sorted(os.listdir(folder)):
            if not name.endswith((".cpp", ".hpp")):
                continue
            with open(os.path.join(folder, name), encoding="latin-1") as f:
                for number, line in enumerate(f, 1):
                    m = INCLUDE.match(line)
                    if not m:
                        continue
                    target = m.group(1)
                    if target not in FLOORS or FLOORS.index(target) > level:
                        wrong.append(f"{floor}/{name}:{number}: includes {target}/")
    for line in wrong:
        print(line)
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
